// The main window's layout, read back from the live widgets.

#include <gtest/gtest.h>

#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QScrollBar>
#include <QWidget>

#include "window_fixture.h"

namespace {

class Layout : public ::testing::Test {
protected:
    static void SetUpTestSuite() { open_window(); }
    static void TearDownTestSuite() { close_window(); }
};

std::string text_of(QWidget* w) {
    if (auto* l = qobject_cast<QLabel*>(w))
        return l->text().toStdString();
    if (auto* g = qobject_cast<QGroupBox*>(w))
        return g->title().toStdString();
    if (auto* b = qobject_cast<QAbstractButton*>(w))
        return b->text().toStdString();
    return "";
}

TEST_F(Layout, EveryControlStandsWhereTheLayoutPutsIt) {
    struct Row {
        const char* name;
        const char* parent;
        int left, top, width, height;
        const char* caption;
        bool visible;
    } rows[] = {
        {"Panel1", "Form1", 0, 0, 800, 489, "", true},
        {"Image1", "Panel1", 8, 48, 256, 256, "", true},
        {"Image2", "Panel1", 272, 48, 256, 256, "", true},
        {"Image3", "Panel1", 536, 48, 256, 256, "", true},
        {"Label2", "Panel1", 96, 16, 86, 12, "オリジナル画像　", true},
        {"Label3", "Panel1", 376, 16, 76, 12, "周波数画像　　", true},
        {"Label4", "Panel1", 648, 16, 56, 12, "出力画像　", true},
        {"Label5", "Panel1", 456, 8, 33, 12, "Label5", false},
        {"Label6", "Panel1", 456, 24, 33, 12, "Label6", false},
        {"Image4", "Panel1", 216, 328, 73, 57, "", false},
        {"Image5", "Panel1", 224, 336, 73, 57, "", false},
        {"Image6", "Panel1", 232, 344, 73, 57, "", false},
        {"Image7", "Panel1", 240, 352, 73, 57, "", false},
        {"Image8", "Panel1", 248, 360, 73, 57, "", false},
        {"Image9", "Panel1", 256, 368, 73, 57, "", false},
        {"Image10", "Panel1", 264, 376, 73, 57, "", false},
        {"GroupBox4", "Panel1", 32, 312, 177, 169, "画像", true},
        {"GroupBox1", "Panel1", 304, 312, 137, 169, "Low", true},
        {"GroupBox3", "Panel1", 448, 312, 129, 169, "Middle", true},
        {"GroupBox2", "Panel1", 584, 312, 129, 169, "High", true},
        {"ScrollBar1", "GroupBox1", 24, 56, 17, 97, "", true},
        {"ScrollBar2", "GroupBox1", 48, 56, 17, 97, "", true},
        {"ScrollBar3", "GroupBox1", 72, 56, 17, 97, "", true},
        {"ScrollBar4", "GroupBox1", 96, 56, 17, 97, "", true},
        {"ScrollBar5", "GroupBox3", 16, 56, 17, 97, "", true},
        {"ScrollBar6", "GroupBox3", 40, 56, 17, 97, "", true},
        {"ScrollBar7", "GroupBox3", 64, 56, 17, 97, "", true},
        {"ScrollBar8", "GroupBox3", 88, 56, 17, 97, "", true},
        {"ScrollBar9", "GroupBox2", 16, 56, 17, 97, "", true},
        {"ScrollBar10", "GroupBox2", 40, 56, 17, 97, "", true},
        {"ScrollBar11", "GroupBox2", 64, 56, 17, 97, "", true},
        {"ScrollBar12", "GroupBox2", 88, 56, 17, 97, "", true},
        {"Button9", "GroupBox1", 24, 24, 25, 17, "0", true},
        {"Button1", "GroupBox1", 56, 24, 25, 17, "100", true},
        {"Button4", "GroupBox1", 88, 24, 25, 17, "200", true},
        {"Button8", "GroupBox3", 16, 24, 25, 17, "0", true},
        {"Button5", "GroupBox3", 48, 24, 25, 17, "100", true},
        {"Button2", "GroupBox3", 80, 24, 25, 17, "200", true},
        {"Button7", "GroupBox2", 16, 24, 25, 17, "0", true},
        {"Button6", "GroupBox2", 48, 24, 25, 17, "100", true},
        {"Button3", "GroupBox2", 80, 24, 25, 17, "200", true},
        {"RadioButton1", "GroupBox4", 16, 32, 65, 17, "Wave", true},
        {"RadioButton5", "GroupBox4", 80, 32, 73, 17, "Circles2", true},
        {"RadioButton6", "GroupBox4", 16, 56, 65, 17, "Circles1", true},
        {"RadioButton4", "GroupBox4", 80, 56, 65, 17, "Steps", true},
        {"RadioButton7", "GroupBox4", 16, 80, 57, 17, "Jupiter", true},
        {"RadioButton8", "GroupBox4", 16, 104, 57, 17, "Saturn", true},
        {"RadioButton9", "GroupBox4", 16, 128, 65, 17, "Moon", true},
    };
    for (const Row& r : rows) {
        SCOPED_TRACE(r.name);
        auto* c = dynamic_cast<TControl*>(Form1->FindComponent(r.name));
        ASSERT_NE(c, nullptr);
        ASSERT_NE(c->Parent(), nullptr);
        EXPECT_EQ(c->Parent()->Name(), r.parent);
        QWidget* w = c->Widget();
        EXPECT_EQ(w->parentWidget(), c->Parent()->Widget());
        EXPECT_EQ(w->geometry(), QRect(r.left, r.top, r.width, r.height));
        EXPECT_EQ(text_of(w), r.caption);
        EXPECT_EQ(w->isVisible(), r.visible);
    }
    EXPECT_EQ(Form1->Components().size(), 49u) << "no control beyond the layout";
    ASSERT_NE(Form1->OpenDialog1, nullptr);
}

TEST_F(Layout, TheWindowItselfAndItsFont) {
    QWidget* w = Form1->Widget();
    EXPECT_EQ(w->windowTitle().toStdString(), "VELD");
    EXPECT_EQ(w->size(), QSize(800, 489));
    EXPECT_EQ(w->minimumSize(), w->maximumSize()) << "the client area is fixed";
    EXPECT_EQ(Form1->Width(), 808);
    EXPECT_EQ(Form1->Height(), 523);
    const QFontInfo info(Form1->Label2->Widget()->font());
    EXPECT_EQ(info.pixelSize(), 12);
    EXPECT_TRUE(info.family().contains("IPA")) << info.family().toStdString();
}

TEST_F(Layout, SlidersStartInTheMiddleAndWaveIsChecked) {
    for (int k = 0; k < 12; ++k) {
        SCOPED_TRACE(k);
        TScrollBar* s = Form1->band_slider(k);
        EXPECT_EQ(s->Name(), "ScrollBar" + std::to_string(k + 1));
        auto* bar = static_cast<QScrollBar*>(s->Widget());
        EXPECT_EQ(bar->orientation(), Qt::Vertical);
        EXPECT_EQ(bar->minimum(), 0);
        EXPECT_EQ(bar->maximum(), 200);
        EXPECT_EQ(bar->value(), 100);
        EXPECT_EQ(bar->singleStep(), 5);
        EXPECT_EQ(bar->pageStep(), 20);
    }
    for (const TRadioButton* r : sample_radios(Form1))
        EXPECT_EQ(r->Checked(), r == Form1->RadioButton1) << r->Name();
}

TEST_F(Layout, TabWalksTheGroupsInTheirTabOrder) {
    // Panel1's groups by tab order: Low (0), High (1), Middle (2), the sample group (3); within a
    // group, its controls by their own tab order.
    const std::vector<std::string> expected = {
        "ScrollBar1", "ScrollBar2", "ScrollBar3",  "ScrollBar4",  "Button1",     "Button4",
        "Button9",    "Button3",    "ScrollBar12", "ScrollBar11", "ScrollBar10", "ScrollBar9",
        "Button6",    "Button7",    "ScrollBar5",  "ScrollBar6",  "ScrollBar7",  "ScrollBar8",
        "Button2",    "Button5",    "Button8",     "RadioButton1"};
    Form1->ScrollBar1->Widget()->setFocus();
    std::vector<std::string> got;
    QWidget* w = Form1->ScrollBar1->Widget();
    for (std::size_t i = 0; i < expected.size(); ++i) {
        for (TComponent* c : Form1->Components())
            if (auto* ctl = dynamic_cast<TControl*>(c); ctl && ctl->Widget() == w)
                got.push_back(ctl->Name());
        w = w->nextInFocusChain();
        while (w && !(w->focusPolicy() & Qt::TabFocus))
            w = w->nextInFocusChain();
    }
    EXPECT_EQ(got, expected);
}

TEST(Centring, EachSizeIsHalvedOnItsOwn) {
    const struct {
        int screen, window, expected;
    } cases[] = {{1366, 809, 279}, {768, 523, 123}, {1024, 808, 108}, {768, 523, 123},
                 {800, 808, -4},   {1, 1, 0},       {1025, 809, 108}};
    for (const auto& c : cases) {
        SCOPED_TRACE(testing::Message() << c.screen << " / " << c.window);
        EXPECT_EQ(centre_position(c.screen, c.window), c.expected);
    }
}

}  // namespace
