// A whole session on the real window: start-up, a hundred filter runs from slider key presses,
// the close with its message. scripts/memcheck runs this one under valgrind's memcheck.

#include <gtest/gtest.h>

#include <QTest>
#include <string>

#include "form1.h"
#include "presenter_recorder.h"
#include "window_fixture.h"

namespace {

constexpr int session_runs = 100;

TEST(Session, StartUpAHundredRunsAndClose) {
    open_window();
    recorded_messages().clear();
    {
        RunObserver observer(Form1);
        // Down on each slider in turn, then Up on each: every press really moves one.
        for (int k = 0; k < session_runs; ++k) {
            TScrollBar* slider = Form1->band_slider(k % 12);
            slider->Widget()->setFocus();
            QTest::keyClick(slider->Widget(), (k / 12) % 2 == 0 ? Qt::Key_Down : Qt::Key_Up);
        }
        EXPECT_EQ(observer.runs(), session_runs);
    }
    EXPECT_TRUE(recorded_messages().empty());
    Form1->Close();
    ASSERT_EQ(recorded_messages().size(), 1u);
    EXPECT_EQ(recorded_messages()[0].text, closing_message);
    EXPECT_FALSE(Form1->Showing());
    close_window();
}

}  // namespace
