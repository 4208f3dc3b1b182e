// Start-up: the working state, the first window, and what happens when start-up fails.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QTimer>
#include <cstdlib>
#include <cstring>

#include "band.h"
#include "buffers.h"
#include "engine.h"
#include "presenter_recorder.h"
#include "program.h"
#include "reference_run.h"
#include "state.h"
#include "window_fixture.h"

namespace {

// Makes the allocation request numbered `fail_at` (counting from 1) fail.
struct FailingMemory {
    static inline int calls = 0;
    static inline int fail_at = 0;
    static void* zeroed(std::size_t n, std::size_t size) {
        return ++calls == fail_at ? nullptr : std::calloc(n, size);
    }
    static void* uninitialised(std::size_t size) {
        return ++calls == fail_at ? nullptr : std::malloc(size);
    }
    explicit FailingMemory(int at) {
        calls = 0;
        fail_at = at;
        previous = set_memory_source({&zeroed, &uninitialised, &std::free});
    }
    ~FailingMemory() { set_memory_source(previous); }
    MemorySource previous;
};

TEST(Startup, TraceLinesComeInOrderAndTheFirstWindowIsComplete) {
    close_window();
    recorded_messages().clear();
    testing::internal::CaptureStdout();
    open_window();
    const std::string out = testing::internal::GetCapturedStdout();
    EXPECT_EQ(out, "extended int\na\nb\n");
    EXPECT_TRUE(recorded_messages().empty()) << "a box at start-up";

    EXPECT_EQ(band_map[128][128], 0);
    EXPECT_EQ(band_map[0][0], 11);
    // Image1 shows "Wave"; the first run drew the spectrum and the output.
    const auto wave = sample_blue(Sample::Wave);
    const auto source = picture_bytes(Form1->Image1);
    ASSERT_EQ(source.size(), 256u * 256 * 3);
    for (int i = 0; i < 256 * 256; ++i)
        ASSERT_EQ(source[3 * i], wave[i]) << i;
    ReferenceField field;
    const ReferenceRun expected = reference_run(wave, slider_positions(Form1), field);
    EXPECT_TRUE(picture_bytes(Form1->Image2) == expected.spectrum);
    EXPECT_TRUE(picture_bytes(Form1->Image3) == expected.output);
    EXPECT_EQ(Form1->Label5->Caption(), "Label5");
    EXPECT_EQ(Form1->Label6->Caption(), "Label6");
    close_window();
}

TEST(Startup, TheSourceIsACopyOfTheHolder) {
    open_window();
    EXPECT_NE(Form1->Image1->Picture()->Bitmap(), Form1->Image4->Picture()->Bitmap());
    Form1->Image1->Picture()->Bitmap()->ScanLine(0)[0] = 1;
    EXPECT_EQ(Form1->Image4->Picture()->Bitmap()->ScanLine(0)[0], 127);
    close_window();
}

// Allocation requests in the constructor's order: blue_plane (1 + 256 rows), band_map (1 + 256),
// field_im, field_re, shift_scratch (1 + 256 each), line_re, line_im, bit_reversal, sine_table.
TEST(Startup, AnyBufferThatCannotBeAllocatedStopsStartUpWithOneBox) {
    struct Case {
        const char* what;
        int request;
        const char* buffer;
        bool alloc_error_line;
    } cases[] = {
        {"blue_plane row block", 1, "blue_plane", false},
        {"blue_plane row 7", 8, "blue_plane", true},
        {"band_map last row", 514, "band_map", true},
        {"field_im", 515, "field_im", false},
        {"shift_scratch row", 1100, "shift_scratch", false},
        {"line_im", 1287, "line_im", false},
        {"bit_reversal", 1288, "bit_reversal", false},
        {"sine_table", 1289, "sine_table", false},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        close_window();
        recorded_messages().clear();
        testing::internal::CaptureStdout();
        // Should the window come up after all, its event loop ends at once rather than wait.
        QTimer end_loop;
        end_loop.setSingleShot(true);
        QObject::connect(&end_loop, &QTimer::timeout, [] { QCoreApplication::quit(); });
        end_loop.start(0);
        int status;
        {
            FailingMemory failing(c.request);
            static char name[] = "veld";
            char* argv[] = {name, nullptr};
            status = run_veld(1, argv);
        }
        const std::string out = testing::internal::GetCapturedStdout();
        EXPECT_EQ(status, 1);
        EXPECT_EQ(Form1, nullptr);
        ASSERT_EQ(recorded_messages().size(), 1u);
        EXPECT_EQ(recorded_messages()[0].text,
                  std::string("Not enough memory for the working buffer ") + c.buffer + ".");
        EXPECT_EQ(out.find("Alloc Error  !!\n") != std::string::npos, c.alloc_error_line) << out;
        release_working_state();
    }
}

TEST(Startup, TheProgramReportsAFailedStartOnceAndExitsWithOne) {
    close_window();
    recorded_messages().clear();
    int status;
    {
        FailingMemory failing(515);
        static char name[] = "veld";
        char* argv[] = {name, nullptr};
        status = run_veld(1, argv);
    }
    EXPECT_EQ(status, 1);
    ASSERT_EQ(recorded_messages().size(), 1u);
    EXPECT_EQ(recorded_messages()[0].text, "Not enough memory for the working buffer field_im.");
    EXPECT_EQ(recorded_messages()[0].icon, MessageIcon::Stop);
    EXPECT_EQ(recorded_messages()[0].title, "Veld");
    EXPECT_EQ(Form1, nullptr);
    release_working_state();
}

}  // namespace
