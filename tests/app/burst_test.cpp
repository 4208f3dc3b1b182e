// Input that queues up while a run holds the event loop: presses, releases, moves and keys
// handled one after another with no time between them, on the real window, offscreen.

#include <gtest/gtest.h>

#include <QScrollBar>
#include <QStyle>
#include <QWidget>
#include <string>
#include <vector>

#include "input_burst.h"
#include "picture_bytes.h"
#include "presenter_recorder.h"
#include "window_fixture.h"

namespace {

std::string run_of(std::array<int, 12> positions, int sample) {
    std::string s = "run";
    for (int p : positions)
        s += " " + std::to_string(p);
    return s + " sample " + std::to_string(sample);
}

// Every run (with the slider positions and the sample it ran on) and every pointer event of
// Image2, in the order they happened. Image2's own handlers still run after the entry.
class Burst : public ::testing::Test {
protected:
    void SetUp() override { open(); }
    void TearDown() override {
        observer.reset();
        close_window();
    }

    void open() {
        observer.reset();
        open_window();
        recorded_messages().clear();
        log.clear();
        observer = std::make_unique<RunObserver>(Form1, [this] { log.push_back(run_entry()); });
        TImage* image = Form1->Image2;
        image->OnMouseDown = [this, next = image->OnMouseDown](TObject* s, TMouseButton b,
                                                               TShiftState shift, int x, int y) {
            log.push_back("down " + point(x, y, shift));
            next(s, b, shift, x, y);
        };
        image->OnMouseMove = [this, next = image->OnMouseMove](TObject* s, TShiftState shift, int x,
                                                               int y) {
            log.push_back("move " + point(x, y, shift));
            next(s, shift, x, y);
        };
        image->OnClick = [this, next = image->OnClick](TObject* s) {
            log.push_back("click");
            next(s);
        };
        image->OnMouseUp = [this, next = image->OnMouseUp](TObject* s, TMouseButton b,
                                                           TShiftState shift, int x, int y) {
            log.push_back("up " + point(x, y, shift));
            next(s, b, shift, x, y);
        };
    }

    static std::string point(int x, int y, TShiftState shift) {
        std::string s = std::to_string(x) + "," + std::to_string(y);
        if (shift & ssLeft)
            s += " left";
        if (shift & ssDouble)
            s += " double";
        return s;
    }

    static std::string run_entry() {
        const auto radios = sample_radios(Form1);
        int sample = 0;
        while (sample < 7 && !radios[sample]->Checked())
            ++sample;
        return run_of(slider_positions(Form1), sample);
    }

    static QWidget* window() { return Form1->Widget(); }
    static QWidget* widget(TControl* c) { return c->Widget(); }
    static QPoint centre(TControl* c) { return c->Widget()->rect().center(); }
    static QPoint part(TScrollBar* s, QStyle::SubControl sc) {
        return scroll_part(static_cast<QScrollBar*>(s->Widget()), sc).center();
    }

    std::unique_ptr<RunObserver> observer;
    std::vector<std::string> log;
};

TEST_F(Burst, EveryInputIsHandledInOrderWithItsRun) {
    Form1->ScrollBar7->Widget()->setFocus();
    InputBurst burst(window());
    burst.key(Qt::Key_Down);                                      // ScrollBar7, focused: one step
    burst.click(widget(Form1->Button4), centre(Form1->Button4));  // "200" in Low
    QWidget* pic = widget(Form1->Image2);
    burst.press(pic, {10, 20});  // pressed and released inside: a click before the release
    burst.release(pic, {12, 22});
    burst.press(pic, {5, 5});  // released outside: the pointer stays with Image2, no click
    burst.move(pic, {-3, 270});
    burst.release(pic, {-3, 270});
    burst.double_click(pic, {30, 40});  // the second press counts as a press
    TScrollBar* s2 = Form1->ScrollBar2;
    burst.click(widget(s2), part(s2, QStyle::SC_ScrollBarAddLine));         // and takes the focus
    burst.key(Qt::Key_PageDown);                                            // for ScrollBar2
    burst.double_click(widget(s2), part(s2, QStyle::SC_ScrollBarAddLine));  // two steps
    burst.double_click(widget(Form1->Button7), centre(Form1->Button7));     // "0" in High, twice
    burst.press(pic, {7, 7});  // released outside the window
    burst.release(window(), {-20, -20});
    burst.click(widget(Form1->RadioButton8), QPoint(6, 8));  // "Saturn"
    const std::size_t queued = burst.size();
    EXPECT_EQ(burst.deliver_at_once(), queued);

    std::array<int, 12> p;
    p.fill(100);
    std::vector<std::string> expected;
    p[6] = 105;
    expected.push_back(run_of(p, 0));
    for (int k = 0; k < 4; ++k) {
        p[k] = 0;
        expected.push_back(run_of(p, 0));
    }
    for (const char* e :
         {"move 10,20", "down 10,20 left", "move 12,22 left", "click", "up 12,22", "move 5,5",
          "down 5,5 left", "move -3,270 left", "up -3,270", "move 30,40", "down 30,40 left",
          "click", "up 30,40", "down 30,40 left double", "click", "up 30,40"})
        expected.push_back(e);
    p[1] = 5;
    expected.push_back(run_of(p, 0));
    p[1] = 25;
    expected.push_back(run_of(p, 0));
    p[1] = 30;
    expected.push_back(run_of(p, 0));
    p[1] = 35;
    expected.push_back(run_of(p, 0));
    for (int k = 8; k < 12; ++k) {
        p[k] = 200;
        expected.push_back(run_of(p, 0));
    }
    const QPoint outside = pic->mapFrom(window(), QPoint(-20, -20));
    const std::string there = std::to_string(outside.x()) + "," + std::to_string(outside.y());
    expected.insert(expected.end(),
                    {"move 7,7", "down 7,7 left", "move " + there + " left", "up " + there});
    expected.push_back(run_of(p, 5));
    EXPECT_EQ(log, expected);
    EXPECT_EQ(Form1->Label5->Caption(), "30 , 40") << "the last click's press";
    EXPECT_TRUE(recorded_messages().empty());
}

// Chains of input as a user makes them faster than the runs: queued all at once they must do
// exactly what they do one at a time, run for run, to the last pixel.
TEST_F(Burst, ChainsQueuedAtOnceDoWhatTheyDoOneAtATime) {
    struct Case {
        const char* what;
        std::function<void(InputBurst&)> record;
    } cases[] = {
        {"twelve drags of twelve sliders",
         [](InputBurst& b) {
             for (int k = 0; k < 12; ++k) {
                 TScrollBar* s = Form1->band_slider(k);
                 const QPoint thumb = part(s, QStyle::SC_ScrollBarSlider);
                 const int way = k % 2 ? 1 : -1;
                 b.press(widget(s), thumb);
                 for (int step = 1; step <= 3; ++step)
                     b.move(widget(s), thumb + QPoint(0, way * step * (k + 2)));
                 b.release(widget(s), thumb + QPoint(0, way * 3 * (k + 2)));
             }
         }},
        {"preset clicks in a row",
         [](InputBurst& b) {
             for (TButton* preset :
                  {Form1->Button4, Form1->Button7, Form1->Button2, Form1->Button1, Form1->Button8,
                   Form1->Button6, Form1->Button9, Form1->Button3, Form1->Button5})
                 b.click(widget(preset), centre(preset));
         }},
        {"keys through the tab order",
         [](InputBurst& b) {
             Form1->ScrollBar1->Widget()->setFocus();
             const Qt::Key keys[] = {Qt::Key_Down, Qt::Key_PageDown, Qt::Key_Up, Qt::Key_End};
             for (int i = 0; i < 40; ++i)
                 b.key(i % 3 == 2 ? Qt::Key_Tab : keys[i % 4]);
         }},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        open();
        InputBurst one_by_one(window());
        c.record(one_by_one);
        one_by_one.deliver_one_by_one();
        const std::vector<std::string> slowly = log;
        const auto spectrum = picture_bytes(Form1->Image2);
        const auto output = picture_bytes(Form1->Image3);
        ASSERT_GT(slowly.size(), 3u) << "the chain changes something";

        open();
        InputBurst at_once(window());
        c.record(at_once);
        EXPECT_EQ(at_once.deliver_at_once(), at_once.size());
        EXPECT_EQ(log, slowly);
        EXPECT_TRUE(picture_bytes(Form1->Image2) == spectrum);
        EXPECT_TRUE(picture_bytes(Form1->Image3) == output);
        EXPECT_TRUE(recorded_messages().empty());
    }
}

}  // namespace
