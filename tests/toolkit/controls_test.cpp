#include <gtest/gtest.h>

#include <QApplication>
#include <QImage>
#include <QScrollBar>
#include <QTest>
#include <QWidget>
#include <stdexcept>

#include "application.h"
#include "controls.h"
#include "presenter_recorder.h"

namespace {

class Fixture : public ::testing::Test {
protected:
    void SetUp() override {
        recorded_messages().clear();
        form = new TForm(Application);
        form->SetClientSize(300, 300);
        form->Show();
    }
    void TearDown() override { delete form; }

    template <class T>
    T* add(TControl* parent, int left, int top, int width, int height) {
        T* c = new T(form);
        c->SetBounds(left, top, width, height);
        c->SetParent(parent);
        return c;
    }

    TForm* form = nullptr;
};

TEST(Title, FromTheExecutableName) {
    const struct {
        const char* path;
        const char* title;
    } cases[] = {{"veld", "Veld"},
                 {"/usr/local/bin/veld", "Veld"},
                 {"build/bin/veld-render", "Veld-render"},
                 {"VELD.EXE", "Veld"},
                 {"/opt/x/my.prog.bin", "My"}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(title_from_executable(c.path), c.title);
    }
}

using ScrollBarRules = Fixture;

TEST_F(ScrollBarRules, ProgramChangesFireOncePerRealChange) {
    auto* bar = add<TScrollBar>(form, 10, 10, 17, 97);
    bar->SetKind(TScrollBarKind::sbVertical);
    bar->SetRange(0, 200);
    std::vector<int> seen;
    bar->OnChange = [&](TObject* sender) {
        EXPECT_EQ(sender, bar);
        seen.push_back(bar->Position());
    };
    bar->SetPosition(0);
    bar->SetPosition(100);
    bar->SetPosition(100);
    bar->SetPosition(250);  // held within the range
    bar->SetPosition(200);
    EXPECT_EQ(seen, (std::vector<int>{100, 200}));
    EXPECT_EQ(static_cast<QScrollBar*>(bar->Widget())->value(), 200);
}

TEST_F(ScrollBarRules, KeysStepBySmallAndLargeChange) {
    auto* bar = add<TScrollBar>(form, 10, 10, 17, 97);
    bar->SetKind(TScrollBarKind::sbVertical);
    bar->SetRange(0, 200);
    bar->SetSmallChange(5);
    bar->SetLargeChange(20);
    bar->SetPosition(100);
    std::vector<int> seen;
    bar->OnChange = [&](TObject*) { seen.push_back(bar->Position()); };
    QWidget* w = bar->Widget();
    w->setFocus();
    QTest::keyClick(w, Qt::Key_Down);
    QTest::keyClick(w, Qt::Key_Up);
    QTest::keyClick(w, Qt::Key_PageDown);
    QTest::keyClick(w, Qt::Key_PageUp);
    QTest::keyClick(w, Qt::Key_End);
    QTest::keyClick(w, Qt::Key_End);  // already there: nothing
    QTest::keyClick(w, Qt::Key_Home);
    QTest::keyClick(w, Qt::Key_Up);  // already at the top: nothing
    EXPECT_EQ(seen, (std::vector<int>{105, 100, 120, 100, 200, 0}));
}

TEST_F(ScrollBarRules, ExceptionFromAProgramChangeReachesTheCaller) {
    auto* bar = add<TScrollBar>(form, 10, 10, 17, 97);
    bar->SetRange(0, 200);
    bar->OnChange = [](TObject*) { throw std::runtime_error("boom"); };
    EXPECT_THROW(bar->SetPosition(7), std::runtime_error);
    EXPECT_EQ(bar->Position(), 7) << "the new position stays";
    EXPECT_TRUE(recorded_messages().empty());
}

TEST_F(ScrollBarRules, ExceptionFromAUserChangeIsShownOnceAndTheLoopGoesOn) {
    auto* bar = add<TScrollBar>(form, 10, 10, 17, 97);
    bar->SetKind(TScrollBarKind::sbVertical);
    bar->SetRange(0, 200);
    bar->SetSmallChange(5);
    int calls = 0;
    bar->OnChange = [&](TObject*) {
        ++calls;
        throw std::runtime_error("boom");
    };
    bar->Widget()->setFocus();
    QTest::keyClick(bar->Widget(), Qt::Key_Down);
    ASSERT_EQ(recorded_messages().size(), 1u);
    EXPECT_EQ(recorded_messages()[0].text, "boom.");
    EXPECT_EQ(recorded_messages()[0].title, "Veld");
    EXPECT_EQ(recorded_messages()[0].icon, MessageIcon::Stop);
    QTest::keyClick(bar->Widget(), Qt::Key_Down);
    EXPECT_EQ(calls, 2);
    EXPECT_EQ(bar->Position(), 10);
    ASSERT_EQ(recorded_messages().size(), 2u) << "one box for each failed change";
    EXPECT_EQ(recorded_messages()[1].text, "boom.");
}

using RadioRules = Fixture;

TEST_F(RadioRules, ExclusiveAndClickOnlyOnBecomingChecked) {
    auto* a = add<TRadioButton>(form, 10, 10, 80, 17);
    auto* b = add<TRadioButton>(form, 10, 40, 80, 17);
    a->SetCaption("a");
    b->SetCaption("b");
    a->SetChecked(true);  // no handler yet
    std::vector<std::string> clicks;
    a->OnClick = [&](TObject*) { clicks.push_back("a"); };
    b->OnClick = [&](TObject*) { clicks.push_back("b"); };

    const QPoint indicator(6, 8);
    QTest::mouseClick(a->Widget(), Qt::LeftButton, {}, indicator);  // already checked: nothing
    QTest::mouseClick(b->Widget(), Qt::LeftButton, {}, indicator);
    EXPECT_TRUE(b->Checked());
    EXPECT_FALSE(a->Checked());
    QTest::mouseClick(b->Widget(), Qt::LeftButton, {}, indicator);
    a->SetChecked(true);
    a->SetChecked(true);
    EXPECT_FALSE(b->Checked());
    EXPECT_EQ(clicks, (std::vector<std::string>{"b", "a"}));
}

TEST_F(RadioRules, ExceptionFromAProgramCheckReachesTheCaller) {
    auto* a = add<TRadioButton>(form, 10, 10, 80, 17);
    a->OnClick = [](TObject*) { throw std::runtime_error("no"); };
    EXPECT_THROW(a->SetChecked(true), std::runtime_error);
    EXPECT_TRUE(a->Checked());
    EXPECT_TRUE(recorded_messages().empty());
}

using ButtonRules = Fixture;

TEST_F(ButtonRules, UserClickIsGuarded) {
    auto* b = add<TButton>(form, 10, 10, 25, 17);
    int clicks = 0;
    b->OnClick = [&](TObject*) {
        ++clicks;
        throw std::runtime_error("bad");
    };
    QTest::mouseClick(b->Widget(), Qt::LeftButton);
    EXPECT_EQ(clicks, 1);
    ASSERT_EQ(recorded_messages().size(), 1u);
    EXPECT_EQ(recorded_messages()[0].text, "bad.");
}

using ImageRules = Fixture;

TEST_F(ImageRules, ClickComesBeforeReleaseOnlyForALeftPressReleasedInside) {
    auto* image = add<TImage>(form, 20, 20, 64, 64);
    std::vector<std::string> log;
    image->OnMouseDown = [&](TObject*, TMouseButton b, TShiftState, int x, int y) {
        log.push_back("down " + std::to_string(static_cast<int>(b)) + " " + std::to_string(x) +
                      "," + std::to_string(y));
    };
    image->OnMouseMove = [&](TObject*, TShiftState, int x, int y) {
        log.push_back("move " + std::to_string(x) + "," + std::to_string(y));
    };
    image->OnMouseUp = [&](TObject*, TMouseButton, TShiftState, int x, int y) {
        log.push_back("up " + std::to_string(x) + "," + std::to_string(y));
    };
    image->OnClick = [&](TObject*) { log.push_back("click"); };
    QWidget* w = image->Widget();

    struct Case {
        const char* what;
        Qt::MouseButton button;
        QPoint press, release;
        std::vector<std::string> expected;
    } cases[] = {
        {"left inside", Qt::LeftButton, {10, 20}, {10, 20}, {"down 0 10,20", "click", "up 10,20"}},
        {"right inside", Qt::RightButton, {5, 6}, {5, 6}, {"down 1 5,6", "up 5,6"}},
        {"left released outside",
         Qt::LeftButton,
         {3, 3},
         {-3, 70},
         {"down 0 3,3", "move -3,70", "up -3,70"}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        log.clear();
        QTest::mousePress(w, c.button, {}, c.press);
        if (c.release != c.press)
            QTest::mouseMove(w, c.release);
        QTest::mouseRelease(w, c.button, {}, c.release);
        // Moves the platform reports on its own are not part of the rule checked here.
        std::vector<std::string> got;
        for (const auto& e : log)
            if (e.rfind("move", 0) != 0 || c.release != c.press)
                got.push_back(e);
        if (c.release != c.press) {
            // keep only the last move before the release
            std::vector<std::string> trimmed;
            for (std::size_t i = 0; i < got.size(); ++i)
                if (got[i].rfind("move", 0) != 0 ||
                    (i + 1 < got.size() && got[i + 1].rfind("up", 0) == 0))
                    trimmed.push_back(got[i]);
            got = trimmed;
        }
        EXPECT_EQ(got, c.expected);
    }
}

TEST_F(ImageRules, DoubleClickSecondPressCountsAsAPress) {
    auto* image = add<TImage>(form, 20, 20, 64, 64);
    int downs = 0, clicks = 0;
    image->OnMouseDown = [&](TObject*, TMouseButton, TShiftState, int, int) { ++downs; };
    image->OnClick = [&](TObject*) { ++clicks; };
    // Through the window, as the platform delivers it: press, release, double click, release.
    QWidget* w = image->Widget();
    QTest::mouseDClick(w->window()->windowHandle(), Qt::LeftButton, {},
                       w->mapTo(w->window(), QPoint(8, 8)));
    EXPECT_EQ(downs, 2);
    EXPECT_EQ(clicks, 2);
}

TEST_F(ImageRules, CanvasOfAnEmptyPictureHasTheControlSize) {
    auto* image = add<TImage>(form, 0, 0, 40, 30);
    TCanvas* c = image->Canvas();
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(image->Picture()->Bitmap()->Width(), 40);
    EXPECT_EQ(image->Picture()->Bitmap()->Height(), 30);
    EXPECT_EQ(image->Picture()->Bitmap()->PixelFormat(), TPixelFormat::pf24bit);
}

// Counts the paint events a widget receives.
class PaintCounter : public QObject {
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* e) override {
        if (e->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// What the control shows, rendered through its own painting.
bool shows_its_picture(TImage* image) {
    const QImage shown = image->Widget()->grab().toImage();
    TBitmap& b = *image->Picture()->Bitmap();
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x) {
            const std::uint8_t* p = b.ScanLine(y) + 3 * x;
            if (shown.pixel(x, y) != qRgb(p[2], p[1], p[0])) {
                ADD_FAILURE() << "pixel " << x << "," << y;
                return false;
            }
        }
    return true;
}

// The shown image is rebuilt from the picture after every change, a run of changes asks for a
// paint once, and a change after a paint of the empty picture still asks for one.
TEST_F(ImageRules, TheShownImageFollowsEveryChangeOfThePicture) {
    auto* image = add<TImage>(form, 0, 0, 41, 30);  // odd width: the last pixel of a row too
    ASSERT_TRUE(QTest::qWaitForWindowExposed(form->Widget()));
    PaintCounter counter;
    image->Widget()->installEventFilter(&counter);
    // An empty picture assigned: a change that paints nothing, the image staying stale.
    const TPicture empty;
    image->Picture()->Assign(&empty);
    QApplication::processEvents();
    ASSERT_TRUE(image->Picture()->Empty());
    EXPECT_GE(counter.paints, 1);

    TBitmap source;
    source.SetPixelFormat(TPixelFormat::pf24bit);
    source.SetSize(41, 30);
    for (int y = 0; y < 30; ++y)
        for (int i = 0; i < 3 * 41; ++i)
            source.ScanLine(y)[i] = static_cast<std::uint8_t>(y * 37 + i * 11);
    counter.paints = 0;
    image->Canvas()->Draw(0, 0, source);
    QApplication::processEvents();
    EXPECT_GE(counter.paints, 1) << "the first picture was not painted";
    EXPECT_TRUE(shows_its_picture(image));

    counter.paints = 0;
    TCanvas* canvas = image->Canvas();
    canvas->Pen()->SetColor(clRed);
    canvas->MoveTo(0, 0);
    for (int k = 1; k <= 20; ++k)
        canvas->LineTo(2 * k, (k * 7) % 30);
    QApplication::processEvents();
    EXPECT_GE(counter.paints, 1) << "the curve was not painted";
    EXPECT_TRUE(shows_its_picture(image));

    counter.paints = 0;
    canvas->Draw(0, 0, source);
    QApplication::processEvents();
    EXPECT_GE(counter.paints, 1) << "the picture drawn over the curve was not painted";
    EXPECT_TRUE(shows_its_picture(image));
    image->Widget()->removeEventFilter(&counter);
}

// CreateForm stores the form before the constructor body runs and clears it on failure.
struct ProbeForm;
ProbeForm* probe_ref = nullptr;
bool probe_saw_itself = false;

struct ProbeForm : TForm {
    explicit ProbeForm(TComponent* owner, bool fail = false) : TForm(owner) {
        probe_saw_itself = probe_ref == this;
        if (fail)
            throw std::runtime_error("constructor failed");
    }
};

struct FailingForm : ProbeForm {
    explicit FailingForm(TComponent* owner) : ProbeForm(owner, true) {}
};

TEST(CreateForm, StoresTheFormBeforeItsConstructorBodyAndClearsItOnFailure) {
    recorded_messages().clear();
    TApplication app;
    app.CreateForm(probe_ref);
    EXPECT_TRUE(probe_saw_itself);
    EXPECT_EQ(app.MainForm(), probe_ref);
    FailingForm* failing = nullptr;
    probe_saw_itself = false;
    EXPECT_THROW(app.CreateForm(failing), std::runtime_error);
    EXPECT_EQ(failing, nullptr);
    EXPECT_EQ(app.Components().size(), 1u) << "the failed form left nothing behind";
    EXPECT_TRUE(recorded_messages().empty()) << "the failure is the caller's to show";
    app.DestroyForms();
}

}  // namespace
