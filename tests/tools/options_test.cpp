// The command line: what each accepted form means, and a table of refused ones with the
// message each gets.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "render_options.h"

namespace {

using Args = std::vector<std::string>;

std::string refusal(const Args& args) {
    try {
        parse_render_options(args);
    } catch (const UsageError& e) {
        return e.what();
    }
    return "(accepted)";
}

TEST(RenderOptions, DefaultsAreTheWindowsStartingSliders) {
    const RenderOptions o = parse_render_options({"--sample", "Wave", "--output", "o.png"});
    ASSERT_TRUE(o.sample.has_value());
    EXPECT_EQ(*o.sample, Sample::Wave);
    for (int k = 0; k < band_count; ++k)
        EXPECT_EQ(o.positions[k], 100) << k;
    EXPECT_EQ(o.output_path, "o.png");
    EXPECT_FALSE(o.report);
    EXPECT_FALSE(o.fit);
}

TEST(RenderOptions, GainsArePositionsFromTheBottom) {
    const RenderOptions o = parse_render_options(
        {"--sample", "Moon", "--gains", "0,1,50,99,100,101,150,199,200, 7 ,13,180", "--report"});
    const SliderPositions expected = {200, 199, 150, 101, 100, 99, 50, 1, 0, 193, 187, 20};
    EXPECT_EQ(o.positions, expected);
}

TEST(RenderOptions, PositionsGoToTheSlidersInOrder) {
    const RenderOptions o = parse_render_options(
        {"--input=pic.jpg", "--fit", "--positions=0,10,20,30,40,50,60,70,80,90,100,200", "--bands",
         "b.png", "--window", "w.bmp", "--source", "s.png", "--spectrum", "x.png"});
    const SliderPositions expected = {0, 10, 20, 30, 40, 50, 60, 70, 80, 90, 100, 200};
    EXPECT_EQ(o.positions, expected);
    EXPECT_EQ(o.input, "pic.jpg");
    EXPECT_TRUE(o.fit);
    EXPECT_FALSE(o.sample.has_value());
    EXPECT_EQ(o.bands_path, "b.png");
    EXPECT_EQ(o.window_path, "w.bmp");
    EXPECT_EQ(o.source_path, "s.png");
    EXPECT_EQ(o.spectrum_path, "x.png");
}

TEST(RenderOptions, EverySampleCaptionIsKnown) {
    for (int s = 0; s < sample_count; ++s) {
        const std::string caption = sample_caption(static_cast<Sample>(s));
        const RenderOptions o = parse_render_options({"--sample", caption, "--report"});
        ASSERT_TRUE(o.sample.has_value()) << caption;
        EXPECT_EQ(static_cast<int>(*o.sample), s);
    }
}

TEST(RenderOptions, HelpNeedsNothingElse) {
    EXPECT_TRUE(parse_render_options({"--help"}).help);
    EXPECT_TRUE(parse_render_options({"-h"}).help);
}

struct Refused {
    Args args;
    std::string message;
};

TEST(RenderOptions, RefusedCommandLinesSayWhy) {
    const std::string twelve = "100,100,100,100,100,100,100,100,100,100,100,100";
    const Refused cases[] = {
        {{}, "no source picture: give --sample NAME or --input FILE (see --help)"},
        {{"--output", "o.png"},
         "no source picture: give --sample NAME or --input FILE (see --help)"},
        {{"--sample", "Wave"},
         "nothing to do: give at least one of --source, --spectrum, --output, --window, "
         "--bands, --report"},
        {{"--sample", "Pluto", "--report"},
         "--sample: unknown sample \"Pluto\" (one of Wave, Steps, Circles1, Circles2, Jupiter, "
         "Saturn, Moon)"},
        {{"--sample", "wave", "--report"},
         "--sample: unknown sample \"wave\" (one of Wave, Steps, Circles1, Circles2, Jupiter, "
         "Saturn, Moon)"},
        {{"--sample", "Wave", "--input", "a.png", "--report"},
         "--sample and --input: give only one source picture"},
        {{"--sample", "Wave", "--fit", "--report"}, "--fit: applies to --input pictures only"},
        {{"--sample", "Wave", "--positions", twelve, "--gains", twelve, "--report"},
         "--positions and --gains: give only one of them"},
        {{"--sample", "Wave", "--positions", "100,100,100,100,100,100,100,100,100,100,100",
          "--report"},
         "--positions: expected 12 comma-separated values, got 11"},
        {{"--sample", "Wave", "--gains", twelve + ",100", "--report"},
         "--gains: expected 12 comma-separated values, got 13"},
        {{"--sample", "Wave", "--positions", "100,100,abc,100,100,100,100,100,100,100,100,100",
          "--report"},
         "--positions: value 3 \"abc\" is not a whole number"},
        {{"--sample", "Wave", "--positions", "100,100,100,100,100,100,100,100,100,100,100,50.5",
          "--report"},
         "--positions: value 12 \"50.5\" is not a whole number"},
        {{"--sample", "Wave", "--gains", "100,201,100,100,100,100,100,100,100,100,100,100",
          "--report"},
         "--gains: value 2 \"201\" is out of range 0 to 200"},
        {{"--sample", "Wave", "--gains", "-1,100,100,100,100,100,100,100,100,100,100,100",
          "--report"},
         "--gains: value 1 \"-1\" is out of range 0 to 200"},
        {{"--sample", "Wave", "--positions", "100,100,100,100,,100,100,100,100,100,100,100",
          "--report"},
         "--positions: value 5 is empty"},
        {{"--sample", "Wave", "--positions",
          "99999999999,100,100,100,100,100,100,100,100,100,100,100", "--report"},
         "--positions: value 1 \"99999999999\" is out of range 0 to 200"},
        {{"--sample", "Wave", "--positions", "", "--report"},
         "--positions: expected 12 comma-separated values, got 1"},
        {{"--sample", "Wave", "--output"}, "--output: missing value"},
        {{"--sample", "Wave", "--output", ""}, "--output: the file name is empty"},
        {{"--sample", "Wave", "--report=yes"}, "--report: takes no value"},
        {{"--sample", "Wave", "--sample", "Moon", "--report"}, "--sample: given more than once"},
        {{"--sample", "Wave", "--output", "a.png", "--output", "b.png"},
         "--output: given more than once"},
        {{"--sample", "Wave", "--source", "a.png", "--output", "a.png"},
         "--source and --output: both name a.png"},
        {{"--sample", "Wave", "--colour", "--report"}, "--colour: unknown option (see --help)"},
        {{"--sample", "Wave", "picture.png", "--report"},
         "picture.png: unexpected argument (see --help)"},
    };
    for (const Refused& c : cases) {
        std::string line;
        for (const std::string& a : c.args)
            line += " [" + a + "]";
        SCOPED_TRACE(line);
        EXPECT_EQ(refusal(c.args), c.message);
    }
}

TEST(RenderOptions, UsageNamesEveryOptionAndExitStatus) {
    const std::string text = usage_text();
    for (const char* word :
         {"SYNOPSIS", "--sample", "--input", "--fit", "--positions", "--gains", "--source",
          "--spectrum", "--output", "--window", "--bands", "--report", "EXIT STATUS"})
        EXPECT_NE(text.find(word), std::string::npos) << word;
}

}  // namespace
