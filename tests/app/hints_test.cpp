// The tooltips of the window: what each control says, that the spectrum's follows the pointer,
// and that hovering changes nothing else: no probe, no label, no picture.

#include <gtest/gtest.h>

#include <QApplication>
#include <QHelpEvent>
#include <QTest>
#include <QToolTip>
#include <QWidget>
#include <string>

#include "band.h"
#include "form1.h"
#include "presenter_recorder.h"
#include "window_fixture.h"

namespace {

class Hints : public ::testing::Test {
protected:
    void SetUp() override {
        open_window();
        recorded_messages().clear();
    }
    void TearDown() override {
        QToolTip::hideText();
        close_window();
    }
    // What the desktop does when the pointer rests on a control: a tooltip event at (x, y).
    static std::string hover(TControl* control, int x = 3, int y = 3) {
        QWidget* widget = control->Widget();
        QHelpEvent event(QEvent::ToolTip, QPoint(x, y), widget->mapToGlobal(QPoint(x, y)));
        QApplication::sendEvent(widget, &event);
        return QToolTip::isVisible() ? QToolTip::text().toStdString() : "";
    }
    // The tooltip's markup of a hint: its lines kept as they are.
    static std::string shown(const std::string& hint) {
        std::string escaped;
        for (char c : hint)
            escaped += c == '<'   ? "&lt;"
                       : c == '>' ? "&gt;"
                       : c == '&' ? "&amp;"
                                  : std::string(1, c);
        return "<p style='white-space:pre'>" + escaped + "</p>";
    }
};

TEST_F(Hints, EveryKindOfControlSaysWhatItIs) {
    struct Case {
        const char* name;
        std::function<void()> set_up;
        TControl* (*control)();
        const char* hint;
    } cases[] = {
        {"ScrollBar7 at its start", [] {}, []() -> TControl* { return Form1->ScrollBar7; },
         "Band 6 (ScrollBar7): 15.8 – 25.8 cycles per picture,\n"
         "wavelengths 9.9 – 16.2 px, 1316 elements;\n"
         "gain 100 % (× 1.000)"},
        {"ScrollBar1 at the top", [] { Form1->ScrollBar1->SetPosition(0); },
         []() -> TControl* { return Form1->ScrollBar1; },
         "Band 0 (ScrollBar1): 0.0 – 0.6 cycles per picture,\n"
         "wavelengths 426.7 – ∞ px, 1 element;\n"
         "gain 200 % (× 8.000)"},
        {"ScrollBar12 at 150", [] { Form1->ScrollBar12->SetPosition(150); },
         []() -> TControl* { return Form1->ScrollBar12; },
         "Band 11 (ScrollBar12): 174.9 – 181.0 cycles per picture,\n"
         "wavelengths 1.4 – 1.5 px, 145 elements;\n"
         "gain 50 % (× 0.125)"},
        {"ScrollBar4 at the bottom", [] { Form1->ScrollBar4->SetPosition(200); },
         []() -> TControl* { return Form1->ScrollBar4; },
         "Band 3 (ScrollBar4): 3.1 – 5.6 cycles per picture,\n"
         "wavelengths 46.1 – 82.7 px, 68 elements;\n"
         "gain 0 % (× 0.000)"},
        {"Low 0", [] {}, []() -> TControl* { return Form1->Button9; },
         "Low: bands 0 – 3 to gain 0 %"},
        {"Middle 200", [] {}, []() -> TControl* { return Form1->Button2; },
         "Middle: bands 4 – 7 to gain 200 %"},
        {"High 100", [] {}, []() -> TControl* { return Form1->Button6; },
         "High: bands 8 – 11 to gain 100 %"},
        {"the spectrum's centre, band 0 at 200 %", [] {},
         []() -> TControl* { return Form1->Image2; },
         "(0, 0) cycles per picture from the centre:\n"
         "the zero frequency, the picture's mean;\n"
         "band 0 (ScrollBar1) at gain 200 %;\n"
         "magnitude 1076"},
        {"the spectrum's centre, band 0 back at 100 %", [] { Form1->ScrollBar1->SetPosition(100); },
         []() -> TControl* { return Form1->Image2; },
         // The zero frequency holds the mean of Wave's blue bytes, 8812608 / 65536.
         "(0, 0) cycles per picture from the centre:\n"
         "the zero frequency, the picture's mean;\n"
         "band 0 (ScrollBar1) at gain 100 %;\n"
         "magnitude 134.5"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        c.set_up();
        TControl* control = c.control();
        const int x = control == Form1->Image2 ? 128 : 3;
        EXPECT_EQ(control->CurrentHint(x, x), c.hint);
        EXPECT_EQ(hover(control, x, x), shown(c.hint));
    }
    EXPECT_TRUE(recorded_messages().empty());
}

TEST_F(Hints, TheSpectrumSaysWhatLiesUnderThePointer) {
    Form1->ScrollBar12->SetPosition(200);  // band 11 removed: nothing left in the corners
    struct Case {
        int x, y;
        const char* hint;
    } cases[] = {
        {0, 0,
         "(-128, -128) cycles per picture from the centre:\n"
         "radius 181.0, wavelength 1.4 px;\n"
         "band 11 (ScrollBar12) at gain 0 %;\n"
         "magnitude 0"},
        {255, 128,
         "(127, 0) cycles per picture from the centre:\n"
         "radius 127.0, wavelength 2.0 px;\n"
         "band 10 (ScrollBar11) at gain 100 %;\n"
         "magnitude "},
        {128, 148,
         "(0, 20) cycles per picture from the centre:\n"
         "radius 20.0, wavelength 12.8 px;\n"
         "band 6 (ScrollBar7) at gain 100 %;\n"
         "magnitude "},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.x) + "," + std::to_string(c.y));
        const std::string hint = Form1->Image2->CurrentHint(c.x, c.y);
        EXPECT_EQ(hint.substr(0, std::string(c.hint).size()), c.hint);
    }
    // Outside the picture (a release outside it reports such points) there is nothing to say.
    EXPECT_EQ(Form1->Image2->CurrentHint(256, 10), "");
    EXPECT_EQ(Form1->Image2->CurrentHint(-3, 270), "");
}

TEST_F(Hints, TheSpectrumsTooltipFollowsThePointer) {
    ASSERT_NE(hover(Form1->Image2, 128, 128), "");
    QTest::mouseMove(Form1->Image2->Widget(), QPoint(128, 148));
    EXPECT_EQ(QToolTip::text().toStdString(), shown(Form1->Image2->CurrentHint(128, 148)));
    EXPECT_NE(QToolTip::text().toStdString().find("(0, 20) cycles"), std::string::npos);
}

// Hovering is not a pointer event of the window: the probes and their hidden labels stay as
// the handlers left them, and movements still reach the probes as before.
TEST_F(Hints, HoveringLeavesTheProbesAndThePicturesAlone) {
    QWidget* spectrum = Form1->Image2->Widget();
    QTest::mouseClick(spectrum, Qt::LeftButton, {}, QPoint(10, 20));
    const int before[] = {down_x, down_y, move_x, move_y};
    const std::string label5 = Form1->Label5->Caption(), label6 = Form1->Label6->Caption();
    const auto pictures = [] {
        return std::vector<std::vector<std::uint8_t>>{picture_bytes(Form1->Image1),
                                                      picture_bytes(Form1->Image2),
                                                      picture_bytes(Form1->Image3)};
    };
    const auto drawn = pictures();
    for (TControl* control : std::initializer_list<TControl*>{
             Form1->Image1, Form1->Image2, Form1->Image3, Form1->ScrollBar5, Form1->Button1,
             Form1->RadioButton9, Form1->GroupBox2, Form1->Label3})
        for (QPoint at : {QPoint(0, 0), QPoint(128, 128), QPoint(200, 40)})
            hover(control, at.x(), at.y());
    const int after[] = {down_x, down_y, move_x, move_y};
    EXPECT_TRUE(std::equal(std::begin(before), std::end(before), std::begin(after)));
    EXPECT_EQ(Form1->Label5->Caption(), label5);
    EXPECT_EQ(Form1->Label6->Caption(), label6);
    EXPECT_TRUE(pictures() == drawn);

    // With the spectrum's tooltip showing, a movement is still the probes' movement.
    hover(Form1->Image2, 50, 60);
    QTest::mouseMove(spectrum, QPoint(77, 88));
    EXPECT_EQ(move_x, 77);
    EXPECT_EQ(move_y, 88);
    EXPECT_EQ(down_x, 10);
    EXPECT_EQ(down_y, 20);
    EXPECT_TRUE(pictures() == drawn);
    EXPECT_TRUE(recorded_messages().empty());
}

TEST_F(Hints, TooltipsTakeTheWindowsFont) {
    EXPECT_EQ(QToolTip::font().pixelSize(), 12);
    EXPECT_EQ(QToolTip::font().families(), Form1->Widget()->font().families());
}

}  // namespace
