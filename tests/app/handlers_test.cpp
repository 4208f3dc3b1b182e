// Every control driven as a user drives it, on the real window, offscreen.

#include <gtest/gtest.h>

#include <QApplication>
#include <QScrollBar>
#include <QStyle>
#include <QStyleOptionSlider>
#include <QTest>
#include <QWidget>
#include <random>

#include "engine.h"
#include "presenter_recorder.h"
#include "reference_run.h"
#include "state.h"
#include "window_fixture.h"

namespace {

class Window : public ::testing::Test {
protected:
    void SetUp() override {
        open_window();
        recorded_messages().clear();
        observe([this] { runs.push_back(slider_positions(Form1)); });
    }
    void observe(std::function<void()> on_run) {
        observer.reset();
        observer = std::make_unique<RunObserver>(Form1, std::move(on_run));
    }
    void TearDown() override {
        observer.reset();
        close_window();
    }

    static void click(TControl* c, QPoint at = QPoint(6, 8)) {
        QTest::mouseClick(c->Widget(), Qt::LeftButton, {}, at);
    }
    static void click_centre(TControl* c) { QTest::mouseClick(c->Widget(), Qt::LeftButton); }
    // Sets a slider with the handlers' own route, as a preset does.
    static void set(int slider, int position) {
        Form1->band_slider(slider - 1)->SetPosition(position);
    }

    std::vector<std::array<int, 12>> runs;
    std::unique_ptr<RunObserver> observer;
    ReferenceRun pending;  // what the last run must have drawn
    int checked = 0;
};

std::array<int, 12> all(int p) {
    std::array<int, 12> a;
    a.fill(p);
    return a;
}

TEST_F(Window, PresetsRunOncePerSliderThatReallyMoves) {
    for (TButton* hundred : {Form1->Button1, Form1->Button5, Form1->Button6})
        click_centre(hundred);
    EXPECT_TRUE(runs.empty()) << "all sliders already stand at 100";

    click_centre(Form1->Button4);  // "200" in Low
    std::array<int, 12> p = all(100);
    std::vector<std::array<int, 12>> expected;
    for (int k = 0; k < 4; ++k) {
        p[k] = 0;
        expected.push_back(p);
    }
    EXPECT_EQ(runs, expected);
    for (int k = 0; k < 4; ++k)
        EXPECT_EQ(static_cast<QScrollBar*>(Form1->band_slider(k)->Widget())->value(), 0);

    runs.clear();
    set(6, 200);
    runs.clear();
    click_centre(Form1->Button8);  // "0" in Middle
    ASSERT_EQ(runs.size(), 3u);
    EXPECT_EQ(runs[0][4], 200);
    EXPECT_EQ(runs[0][6], 100);
    EXPECT_EQ(runs[1][6], 200);
    EXPECT_EQ(runs[1][7], 100);
    EXPECT_EQ(runs[2][7], 200);
    EXPECT_TRUE(recorded_messages().empty());
}

TEST_F(Window, SampleChoiceCopiesThePictureAndRunsOnce) {
    click(Form1->RadioButton8);  // "Saturn"
    ASSERT_EQ(runs.size(), 1u);
    EXPECT_TRUE(Form1->RadioButton8->Checked());
    EXPECT_FALSE(Form1->RadioButton1->Checked());
    TBitmap* shown = Form1->Image1->Picture()->Bitmap();
    EXPECT_EQ(shown->PixelFormat(), TPixelFormat::pf24bit) << "converted in Image1 by the run";
    EXPECT_EQ(Form1->Image9->Picture()->Bitmap()->PixelFormat(), TPixelFormat::pf8bit)
        << "the holder is untouched";
    const auto saturn = sample_blue(Sample::Saturn);
    const auto bytes = picture_bytes(Form1->Image1);
    for (int i = 0; i < 256 * 256; ++i) {
        ASSERT_EQ(bytes[3 * i], saturn[i]);
        ASSERT_EQ(bytes[3 * i + 1], saturn[i]);
        ASSERT_EQ(bytes[3 * i + 2], saturn[i]);
    }
    click(Form1->RadioButton8);
    EXPECT_EQ(runs.size(), 1u) << "the checked button runs nothing";
    click(Form1->RadioButton1);  // "Wave"
    EXPECT_EQ(runs.size(), 2u);
    const auto wave = sample_blue(Sample::Wave);
    const auto now = picture_bytes(Form1->Image1);
    for (int i = 0; i < 256 * 256; ++i)
        ASSERT_EQ(now[3 * i], wave[i]);
    EXPECT_TRUE(recorded_messages().empty());
}

TEST_F(Window, SlidersAnswerKeysAndMouseLikeAScrollBar) {
    TScrollBar* s = Form1->ScrollBar7;
    QWidget* w = s->Widget();
    w->setFocus();
    std::vector<int> seen;
    observe([&] { seen.push_back(s->Position()); });
    QTest::keyClick(w, Qt::Key_Down);
    QTest::keyClick(w, Qt::Key_PageDown);
    QTest::keyClick(w, Qt::Key_Up);
    QTest::keyClick(w, Qt::Key_End);
    QTest::keyClick(w, Qt::Key_PageDown);  // held at the bottom: no change, no run
    QTest::keyClick(w, Qt::Key_Home);
    EXPECT_EQ(seen, (std::vector<int>{105, 125, 120, 200, 0}));

    // Mouse: the lower arrow steps 5, a click in the track below the thumb 20.
    auto* bar = static_cast<QScrollBar*>(w);
    const QRect add_line = scroll_part(bar, QStyle::SC_ScrollBarAddLine);
    const QRect add_page = scroll_part(bar, QStyle::SC_ScrollBarAddPage);
    seen.clear();
    QTest::mouseClick(bar, Qt::LeftButton, {}, add_line.center());
    QTest::mouseClick(bar, Qt::LeftButton, {}, add_page.center());
    EXPECT_EQ(seen, (std::vector<int>{5, 25}));
    EXPECT_TRUE(recorded_messages().empty());
}

TEST_F(Window, DraggingTheThumbRunsOncePerNewPosition) {
    auto* bar = static_cast<QScrollBar*>(Form1->ScrollBar2->Widget());
    std::vector<int> seen;
    observe([&] { seen.push_back(Form1->ScrollBar2->Position()); });
    QWindow* window = bar->window()->windowHandle();
    const QPoint thumb = bar->mapTo(bar->window(), QPoint(bar->width() / 2, bar->height() / 2));
    QTest::mousePress(window, Qt::LeftButton, {}, thumb);
    // Past both ends of the track, staying inside the window.
    for (int dy = 1; dy <= 60; dy += 3)
        QTest::mouseMove(window, thumb + QPoint(0, -dy));
    for (int dy = -60; dy <= 60; dy += 4)
        QTest::mouseMove(window, thumb + QPoint(0, dy));
    QTest::mouseRelease(window, Qt::LeftButton, {}, thumb + QPoint(0, 60));
    ASSERT_FALSE(seen.empty());
    EXPECT_EQ(seen.back(), 200) << "dragged to the very bottom";
    EXPECT_NE(std::find(seen.begin(), seen.end(), 0), seen.end()) << "reached the very top";
    for (std::size_t i = 1; i < seen.size(); ++i)
        EXPECT_NE(seen[i], seen[i - 1]) << "one run per new position";
    EXPECT_TRUE(recorded_messages().empty());
}

TEST_F(Window, ProbesWriteTheHiddenLabels) {
    QWidget* w = Form1->Image2->Widget();
    QWindow* window = w->window()->windowHandle();
    const auto at = [&](int x, int y) { return w->mapTo(w->window(), QPoint(x, y)); };

    QTest::mouseMove(window, at(10, 20));
    QTest::mousePress(window, Qt::LeftButton, {}, at(10, 20));
    QTest::mouseRelease(window, Qt::LeftButton, {}, at(10, 20));
    EXPECT_EQ(Form1->Label5->Caption(), "10 , 20");
    EXPECT_EQ(Form1->Label6->Caption(), "10 , 20");
    EXPECT_EQ(down_x, 10);
    EXPECT_EQ(down_y, 20);

    // Right button: the press is recorded, the click is not raised, the release writes Label6.
    QTest::mouseMove(window, at(30, 40));
    QTest::mousePress(window, Qt::RightButton, {}, at(30, 40));
    QTest::mouseRelease(window, Qt::RightButton, {}, at(30, 40));
    EXPECT_EQ(down_x, 30);
    EXPECT_EQ(Form1->Label5->Caption(), "10 , 20");
    EXPECT_EQ(Form1->Label6->Caption(), "30 , 40");

    // A left press inside released outside: the pointer stays captured, so the movement goes on
    // being reported with coordinates outside the picture.
    QTest::mouseMove(window, at(5, 5));
    QTest::mousePress(window, Qt::LeftButton, {}, at(5, 5));
    QTest::mouseMove(window, at(-3, 270));
    QTest::mouseRelease(window, Qt::LeftButton, {}, at(-3, 270));
    EXPECT_EQ(Form1->Label5->Caption(), "10 , 20");
    EXPECT_EQ(Form1->Label6->Caption(), "-3 , 270");
    EXPECT_FALSE(Form1->Label5->Widget()->isVisible());
    EXPECT_FALSE(Form1->Label6->Widget()->isVisible());
    EXPECT_TRUE(runs.empty());
    EXPECT_EQ(Form1->OpenDialog1->ExecuteCount(), 0);
    EXPECT_TRUE(recorded_messages().empty());
}

TEST_F(Window, AllSlidersAtTheBottomShowTheErrorAndKeepThePreviousOutput) {
    const auto before = picture_bytes(Form1->Image3);
    const long bitmaps = TBitmap::Instances();
    click_centre(Form1->Button9);
    click_centre(Form1->Button8);
    for (int k = 9; k <= 11; ++k)
        set(k, 200);
    EXPECT_TRUE(recorded_messages().empty());
    const auto last_good = picture_bytes(Form1->Image3);
    EXPECT_NE(last_good, before);
    Form1->ScrollBar12->Widget()->setFocus();
    QTest::keyClick(Form1->ScrollBar12->Widget(), Qt::Key_End);  // this run meets the zero maximum
    ASSERT_EQ(recorded_messages().size(), 1u);
    EXPECT_EQ(recorded_messages()[0].text, zero_maximum_text);
    EXPECT_EQ(recorded_messages()[0].title, "Veld");
    EXPECT_EQ(recorded_messages()[0].icon, MessageIcon::Stop);
    EXPECT_EQ(picture_bytes(Form1->Image3), last_good);
    const auto spectrum = picture_bytes(Form1->Image2);
    for (std::size_t i = 0; i < spectrum.size(); ++i)
        ASSERT_EQ(spectrum[i], 0) << "black spectrum, and the curve below the picture";
    EXPECT_EQ(TBitmap::Instances(), bitmaps) << "the work bitmap was released";
    EXPECT_EQ(Form1->ScrollBar12->Position(), 200);

    // Another sample: the new picture is in Image1, the radio stays checked, the box once more.
    click(Form1->RadioButton9);
    ASSERT_EQ(recorded_messages().size(), 2u);
    EXPECT_EQ(recorded_messages()[1].text, zero_maximum_text);
    EXPECT_TRUE(Form1->RadioButton9->Checked());
    const auto moon = sample_blue(Sample::Moon);
    const auto shown = picture_bytes(Form1->Image1);
    for (int i = 0; i < 256 * 256; ++i)
        ASSERT_EQ(shown[3 * i], moon[i]);
    EXPECT_EQ(picture_bytes(Form1->Image3), last_good);

    // The program goes on: one slider up runs again.
    Form1->ScrollBar1->Widget()->setFocus();
    QTest::keyClick(Form1->ScrollBar1->Widget(), Qt::Key_Up);
    EXPECT_EQ(recorded_messages().size(), 2u);
    EXPECT_NE(picture_bytes(Form1->Image3), last_good);
}

TEST_F(Window, APresetStopsAtTheSliderWhoseRunFails) {
    // A flat source on a field with no imaginary remainder: with band 0 removed nothing is left.
    for (int i = 0; i < 256; ++i)
        for (int j = 0; j < 256; ++j)
            field_im[i][j] = 0.0;
    TBitmap* source = Form1->Image1->Picture()->Bitmap();
    for (int y = 0; y < 256; ++y)
        for (int i = 0; i < 768; ++i)
            source->ScanLine(y)[i] = 90;
    click_centre(Form1->Button9);  // "0" in Low: ScrollBar1's run fails
    ASSERT_EQ(recorded_messages().size(), 1u);
    EXPECT_EQ(recorded_messages()[0].text, zero_maximum_text);
    EXPECT_EQ(Form1->ScrollBar1->Position(), 200);
    for (TScrollBar* s : {Form1->ScrollBar2, Form1->ScrollBar3, Form1->ScrollBar4})
        EXPECT_EQ(s->Position(), 100) << s->Name() << " was never set";
    EXPECT_TRUE(runs.empty());
}

TEST_F(Window, ClosingShowsTheMessageOnce) {
    Form1->Close();
    ASSERT_EQ(recorded_messages().size(), 1u);
    const std::string& text = recorded_messages()[0].text;
    EXPECT_EQ(text.rfind(std::string(15, ' ') + "VELD Ver. 1.11\n\n", 0), 0u) << text;
    const std::string author = text.substr(15 + 14 + 2);
    EXPECT_FALSE(author.empty());
    EXPECT_EQ(author.find('\n'), std::string::npos) << "one authorship line";
    EXPECT_EQ(recorded_messages()[0].icon, MessageIcon::None);
    EXPECT_FALSE(Form1->Showing());

    // The window manager's close (close box, system menu, Alt+F4) takes the same way.
    const MessageRequest first = recorded_messages()[0];
    Form1->Show();
    recorded_messages().clear();
    Form1->Widget()->close();
    ASSERT_EQ(recorded_messages().size(), 1u);
    EXPECT_EQ(recorded_messages()[0].text, first.text);
    EXPECT_EQ(recorded_messages()[0].icon, first.icon);
    EXPECT_FALSE(Form1->Showing());
}

// Random sequences of user actions; after each run the window's pictures equal the scalar
// reference replayed with the same sources and slider positions.
TEST_F(Window, PicturesEqualTheScalarReferenceAfterRandomActions) {
    ReferenceField field;
    // The first run, made at start-up, is replayed first.
    reference_run(sample_blue(Sample::Wave), all(100), field);
    int mismatches = 0;
    observe([&] {
        const ReferenceRun expected =
            reference_run(picture_blue(Form1->Image1), slider_positions(Form1), field);
        // Image3 is being drawn right now: compare the finished pictures after the event.
        pending = expected;
        ++checked;
    });
    const auto radios = sample_radios(Form1);
    TButton* presets[] = {Form1->Button1, Form1->Button2, Form1->Button3,
                          Form1->Button4, Form1->Button5, Form1->Button6,
                          Form1->Button7, Form1->Button8};  // never "0" in Low
    const Qt::Key keys[] = {Qt::Key_Up, Qt::Key_Down, Qt::Key_PageUp, Qt::Key_PageDown,
                            Qt::Key_Home};
    std::mt19937 rng(2024);
    for (int step = 0; step < 60; ++step) {
        const int kind = static_cast<int>(rng() % 3);
        if (kind == 0) {
            click(radios[rng() % 7]);
        } else if (kind == 1) {
            click_centre(presets[rng() % 8]);
        } else {
            // Keep ScrollBar1 off the bottom so that no run meets the zero maximum.
            TScrollBar* s = Form1->band_slider(static_cast<int>(rng() % 11) + 1);
            s->Widget()->setFocus();
            QTest::keyClick(s->Widget(), keys[rng() % 5]);
        }
        if (checked > 0) {
            if (picture_bytes(Form1->Image2) != pending.spectrum ||
                picture_bytes(Form1->Image3) != pending.output)
                ++mismatches;
        }
    }
    EXPECT_GT(checked, 20);
    EXPECT_EQ(mismatches, 0);
    EXPECT_TRUE(recorded_messages().empty());
}

}  // namespace
