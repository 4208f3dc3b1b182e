// The floating-point guard of a run, on the real window: a value that no picture can produce is
// put into the field that a run carries over from the previous one (field_im), and the next
// run, started by a key press on a slider, must end in the error box of that arithmetic error
// with the spectrum and output pictures as they were, never with garbage drawn.
//
// Every transform kernel the processor runs goes through every case: a kernel that skipped a
// multiplication or lost a flag would let an infinity or a NaN through to the pictures.

#include <gtest/gtest.h>

#include <QTest>
#include <cmath>
#include <limits>
#include <string>
#include <vector>

#include "engine_fixture.h"
#include "fft.h"
#include "numeric.h"
#include "presenter_recorder.h"
#include "state.h"
#include "window_fixture.h"

namespace {

using Kind = MathError::Kind;

void fill_field_im(double v) {
    for (int i = 0; i < image_size; ++i)
        for (int j = 0; j < image_size; ++j)
            field_im[i][j] = v;
}

struct Injection {
    const char* name;
    void (*inject)();
    // The first error the guard meets. An overflow inside the transform turns into infinities
    // that the next butterflies multiply by zero, so both flags stand and the invalid operation,
    // checked first, is the one reported; either is an honest report of that run.
    std::vector<Kind> reported;
};

const Injection injections[] = {
    // A quiet NaN spreads through the transform and the gains without raising a flag; the
    // conversion of its magnitude for the spectrum picture refuses it.
    {"quiet NaN in one element",
     [] { field_im[3][5] = std::numeric_limits<double>::quiet_NaN(); },
     {Kind::InvalidOp}},
    // Infinity times the zero of a twiddle factor is an invalid operation inside the transform.
    {"infinity in one element",
     [] { field_im[200][17] = std::numeric_limits<double>::infinity(); },
     {Kind::InvalidOp}},
    // At the centre the infinity lands on index 0 of every line, which the butterflies only ever
    // add to: no flag stands, and it is the range check of the conversion that refuses it.
    {"minus infinity at the centre",
     [] { field_im[128][128] = -std::numeric_limits<double>::infinity(); },
     {Kind::InvalidOp}},
    // Sums of the largest doubles overflow in the first butterflies.
    {"largest double everywhere",
     [] { fill_field_im(std::numeric_limits<double>::max()); },
     {Kind::InvalidOp, Kind::Overflow}},
    // Finite all the way, but a mean of 1e17 is a spectrum magnitude whose colour bytes
    // (1000 times it) lie outside the 64-bit range of the conversion.
    {"a mean too large for a colour", [] { fill_field_im(1e17); }, {Kind::InvalidOp}},
};

class FloatingPointGuard : public ::testing::Test {
protected:
    void SetUp() override {
        open_window();
        recorded_messages().clear();
    }
    void TearDown() override { close_window(); }
    // One user key press on a slider whose position then really changes.
    static void press(TScrollBar* slider, Qt::Key key) {
        slider->Widget()->setFocus();
        QTest::keyClick(slider->Widget(), key);
    }
};

TEST_F(FloatingPointGuard, AnInjectedErrorIsShownAndNothingIsDrawn) {
    const std::vector<FftKernel> kernels = supported_kernels();
    ASSERT_GE(kernels.size(), 2u);
    TScrollBar* slider = Form1->ScrollBar5;
    for (const FftKernel kernel : kernels) {
        const KernelChoice choice(kernel);
        ASSERT_TRUE(choice.chosen());
        SCOPED_TRACE(choice.label());
        for (const Injection& c : injections) {
            SCOPED_TRACE(c.name);
            fill_field_im(0.0);
            press(slider, Qt::Key_Down);  // a clean run to compare with
            ASSERT_TRUE(recorded_messages().empty());
            const auto spectrum = picture_bytes(Form1->Image2);
            const auto output = picture_bytes(Form1->Image3);
            const long bitmaps = TBitmap::Instances();
            const int position = slider->Position();

            c.inject();
            press(slider, Qt::Key_Up);

            ASSERT_EQ(recorded_messages().size(), 1u) << "the run went through";
            const MessageRequest shown = recorded_messages()[0];
            recorded_messages().clear();
            bool expected_text = false;
            for (Kind k : c.reported)
                expected_text =
                    expected_text || shown.text == std::string(MathError(k).what()) + ".";
            EXPECT_TRUE(expected_text) << shown.text;
            EXPECT_EQ(shown.icon, MessageIcon::Stop);
            EXPECT_EQ(shown.title, "Veld");
            EXPECT_EQ(picture_bytes(Form1->Image2), spectrum) << "the spectrum was drawn over";
            EXPECT_EQ(picture_bytes(Form1->Image3), output) << "the output was drawn over";
            EXPECT_EQ(TBitmap::Instances(), bitmaps) << "the work bitmap was kept";
            EXPECT_EQ(slider->Position(), position - 5) << "the slider keeps its new position";
        }
    }
    // The window goes on once the carried field is sound again.
    fill_field_im(0.0);
    const auto before = picture_bytes(Form1->Image3);
    press(Form1->ScrollBar1, Qt::Key_Up);
    EXPECT_TRUE(recorded_messages().empty());
    EXPECT_NE(picture_bytes(Form1->Image3), before);
}

}  // namespace
