// veld-render's pictures against the real window: the window's own first run, and windows
// brought by hand to the first run of other settings, compared byte for byte with what the
// program writes.

#include <gtest/gtest.h>

#include <array>
#include <string>

#include "application.h"
#include "first_run.h"
#include "form1.h"
#include "picture_io.h"
#include "samples.h"
#include "state.h"
#include "support.h"
#include "working_state.h"

namespace {

void ensure_application() {
    static char name[] = "tools_tests";
    static char* argv[] = {name, nullptr};
    Application->Initialize(1, argv);
}

// A window made as the program makes it; destroyed with the test.
class WindowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ensure_application();
        release_working_state();  // the window allocates its own
        Application->CreateForm(Form1);
        ASSERT_NE(Form1, nullptr);
    }
    void TearDown() override {
        Application->DestroyForms();
        Form1 = nullptr;
        release_working_state();
    }

    // The first run of a setting, reached by hand: sliders set with no handler bound (so no
    // run happens on the way), the imaginary field as freshly allocated, the sample's holder
    // copied into Image1 as its radio button does, then one run.
    static void drive(Sample sample, const SliderPositions& positions) {
        TRadioButton* radio = radio_of(sample);
        ASSERT_NE(radio, nullptr);
        const TNotifyEvent click = radio->OnClick;
        radio->OnClick = nullptr;
        radio->SetChecked(true);
        radio->OnClick = click;
        for (int k = 0; k < band_count; ++k) {
            TScrollBar* bar = Form1->band_slider(k);
            const TNotifyEvent handler = bar->OnChange;
            bar->OnChange = nullptr;
            bar->SetPosition(positions[k]);
            bar->OnChange = handler;
        }
        for (int i = 0; i < 256; ++i)
            for (int j = 0; j < 256; ++j)
                field_im[i][j] = 0;
        auto* holder = dynamic_cast<TImage*>(
            Form1->FindComponent("Image" + std::to_string(4 + static_cast<int>(sample))));
        ASSERT_NE(holder, nullptr);
        Form1->Image1->Picture()->Assign(holder->Picture());
        run_filter();
    }

    static const TBitmap& shown(TImage* image) { return *image->Picture()->Bitmap(); }

    // The radio button whose caption names the sample.
    static TRadioButton* radio_of(Sample sample) {
        for (TRadioButton* radio :
             {Form1->RadioButton1, Form1->RadioButton4, Form1->RadioButton5, Form1->RadioButton6,
              Form1->RadioButton7, Form1->RadioButton8, Form1->RadioButton9})
            if (radio->Caption() == sample_caption(sample))
                return radio;
        return nullptr;
    }
};

// The constructor's own run is the first run of Wave with every slider at 100.
TEST_F(WindowTest, TheWindowsOwnFirstRunIsTheProgramsDefault) {
    const FirstRun run = first_run(sample_picture(Sample::Wave), all_100);
    EXPECT_EQ(picture_difference(shown(Form1->Image1), run.source), "");
    EXPECT_EQ(picture_difference(shown(Form1->Image2), run.spectrum), "");
    EXPECT_EQ(picture_difference(shown(Form1->Image3), run.output), "");
}

struct Setting {
    Sample sample;
    const char* option;  // --positions or --gains
    std::array<int, 12> values;
    const char* extension;
};

// The slider positions that a setting's values stand for.
SliderPositions positions_of(const Setting& s) {
    return std::string(s.option) == "--gains" ? positions_of_gains(s.values) : s.values;
}

// Each slider at a position of its own: the setting the screenshot is taken of.
const Setting sliders_apart = {
    Sample::Jupiter, "--positions", {0, 50, 150, 5, 195, 100, 30, 170, 60, 140, 90, 110}, ".bmp"};

const Setting settings[] = {
    {Sample::Wave,
     "--positions",
     {100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100},
     ".png"},
    {Sample::Moon, "--gains", {100, 100, 100, 100, 0, 0, 0, 0, 0, 0, 0, 0}, ".png"},
    {Sample::Saturn,
     "--positions",
     {200, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100, 100},
     ".bmp"},
    {Sample::Steps,
     "--gains",
     {200, 200, 200, 200, 200, 200, 200, 200, 200, 200, 200, 200},
     ".png"},
    sliders_apart,
    {Sample::Circles1, "--gains", {0, 0, 0, 0, 100, 100, 100, 100, 0, 0, 0, 0}, ".png"},
    {Sample::Circles2, "--gains", {0, 0, 0, 0, 0, 0, 0, 0, 150, 150, 150, 150}, ".png"},
};

TEST_F(WindowTest, SourceSpectrumAndOutputFilesAreTheWindowsPictures) {
    for (const Setting& s : settings) {
        const std::string caption = sample_caption(s.sample);
        SCOPED_TRACE(caption + " " + s.option + " " + joined(s.values));
        drive(s.sample, positions_of(s));

        ScratchDir dir;
        const std::string ext = s.extension;
        const ToolRun run =
            run_tool({"--sample", caption, s.option, joined(s.values), "--source", "source" + ext,
                      "--spectrum", "spectrum" + ext, "--output", "output" + ext},
                     dir.path());
        ASSERT_EQ(run.status, 0) << run.err;
        EXPECT_EQ(run.out, "");
        EXPECT_EQ(run.err, "");
        EXPECT_EQ(
            picture_difference(shown(Form1->Image1), read_picture_file(dir / ("source" + ext))),
            "");
        EXPECT_EQ(
            picture_difference(shown(Form1->Image2), read_picture_file(dir / ("spectrum" + ext))),
            "");
        EXPECT_EQ(
            picture_difference(shown(Form1->Image3), read_picture_file(dir / ("output" + ext))),
            "");
    }
}

// The screenshot shows the three pictures where the layout puts them (Panel1 at the client's
// origin, the images at y 48 and x 8, 272, 536) and the sliders where they were set.
TEST_F(WindowTest, WindowFileShowsTheSamePicturesAndSliders) {
    const Setting& s = sliders_apart;
    ScratchDir dir;
    const ToolRun run = run_tool(
        {"--sample", sample_caption(s.sample), s.option, joined(s.values), "--window", "window.png",
         "--source", "source.png", "--spectrum", "spectrum.png", "--output", "output.png"},
        dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    const TBitmap window = read_picture_file(dir / "window.png");
    ASSERT_EQ(window.Width(), Form1->ClientWidth());
    ASSERT_EQ(window.Height(), Form1->ClientHeight());
    EXPECT_EQ(
        picture_difference(read_picture_file(dir / "source.png"), crop(window, 8, 48, 256, 256)),
        "");
    EXPECT_EQ(picture_difference(read_picture_file(dir / "spectrum.png"),
                                 crop(window, 272, 48, 256, 256)),
              "");
    EXPECT_EQ(
        picture_difference(read_picture_file(dir / "output.png"), crop(window, 536, 48, 256, 256)),
        "");

    // The same window made here, by hand, renders to the same file.
    drive(s.sample, positions_of(s));
    ASSERT_TRUE(radio_of(s.sample)->Checked());
    ASSERT_TRUE(Form1->SaveScreenshot(dir / "by-hand.png"));
    EXPECT_EQ(picture_difference(read_picture_file(dir / "by-hand.png"), window), "");
}

}  // namespace
