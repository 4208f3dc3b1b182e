// The fuzz targets' checks, replayed in the ordinary suite: over the seed corpus and over the
// hostile inputs kept in fuzz/regressions, each folder's outcome known file by file. A crash
// found by fuzzing becomes a regression case by copying the input there, listing it below with
// the outcome it must have, and naming it in fuzz/regressions/README.

#include <gtest/gtest.h>

#include <unistd.h>
#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <vector>

#include "input_checks.h"

namespace {

namespace fs = std::filesystem;

const fs::path fuzz_dir = VELD_FUZZ_DIR;

std::vector<std::uint8_t> file_bytes(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

std::vector<fs::path> files_in(const fs::path& dir) {
    std::vector<fs::path> files;
    if (fs::is_directory(dir))
        for (const auto& entry : fs::directory_iterator(dir))
            if (entry.is_regular_file() && entry.path().filename().string()[0] != '.')
                files.push_back(entry.path());
    std::sort(files.begin(), files.end());
    return files;
}

const char* outcome_name(InputOutcome o) {
    return o == InputOutcome::Decoded ? "decoded" : "refused";
}

using Check = std::function<InputOutcome(const std::vector<std::uint8_t>&)>;

InputOutcome bmp_check(const std::vector<std::uint8_t>& bytes) {
    return check_bmp_input(bytes.data(), bytes.size());
}

// Every input of fuzz/<folder> must be listed with its outcome, and every listed input must be
// there. A folder that is missing or empty fails: a replay over nothing would pass unseen.
void replay(const std::string& folder, Check check,
            const std::map<std::string, InputOutcome>& expected) {
    const auto inputs = files_in(fuzz_dir / folder);
    ASSERT_FALSE(inputs.empty()) << "fuzz/" << folder << " is missing or holds no input";
    ASSERT_EQ(inputs.size(), expected.size()) << "the table and fuzz/" << folder << " differ";
    for (const fs::path& input : inputs) {
        SCOPED_TRACE(input.filename().string());
        const auto it = expected.find(input.filename().string());
        ASSERT_NE(it, expected.end()) << "an input without an expected outcome";
        InputOutcome got{};
        ASSERT_NO_THROW(got = check(file_bytes(input)));
        EXPECT_STREQ(outcome_name(got), outcome_name(it->second));
    }
}

TEST(BmpReaderInputs, SeedsGiveTheirKnownOutcome) {
    using enum InputOutcome;
    replay("corpus/bmp", bmp_check,
           {{"pal8-2x2-full-palette.bmp", Decoded},
            {"pal8-4x2-rle8.bmp", Refused},  // compressed
            {"pal8-5x3-four-colours.bmp", Decoded},
            {"rgb24-1x1-v5-header.bmp", Decoded},
            {"rgb24-2x2-top-down.bmp", Refused},  // negative height
            {"rgb24-3x2.bmp", Decoded},
            {"rgb24-4x1-gap.bmp", Decoded}});
}

// Sizes and offsets that wrap or exceed every limit, a file cut short, no file at all: each
// refused with a message, never read past its end.
TEST(BmpReaderInputs, InputsThatOnceBrokeAPromiseKeepThemNow) {
    using enum InputOutcome;
    replay("regressions/bmp", bmp_check,
           {{"16384-by-16384-in-70-bytes.bmp", Refused},
            {"8x8-cut-in-half.bmp", Refused},
            {"declared-file-size-4-gib.bmp", Refused},
            {"pal8-index-beyond-four-colours.bmp", Refused},
            {"pixel-offset-wraps-around.bmp", Refused},
            {"width-2147483647.bmp", Refused},
            {"zeros-64.bin", Refused}});
}

#ifdef VELD_HAS_RENDER
class RenderInputs : public ::testing::Test {
protected:
    void SetUp() override {
        scratch = (fs::temp_directory_path() / ("veld-render-input-" + std::to_string(::getpid())))
                      .string();
    }
    void TearDown() override { fs::remove(scratch); }
    InputOutcome check(const std::vector<std::uint8_t>& bytes) {
        testing::internal::CaptureStdout();  // the working state's trace lines
        InputOutcome outcome{};
        try {
            outcome = check_render_input(bytes.data(), bytes.size(), scratch);
        } catch (...) {
            testing::internal::GetCapturedStdout();
            throw;
        }
        testing::internal::GetCapturedStdout();
        return outcome;
    }
    std::string scratch;
};

TEST_F(RenderInputs, SeedsGiveTheirKnownOutcome) {
    using enum InputOutcome;
    replay("corpus/render", [this](const auto& bytes) { return check(bytes); },
           {{"gradient-8x8.jpg", Decoded},
            {"grey-3x1.pgm", Decoded},
            {"grey16-2x2.png", Decoded},
            {"one-pixel.gif", Decoded},
            {"pal8-4x2-rle8.bmp", Decoded},  // through the engine's reader
            {"pal8-5x3-four-colours.bmp", Decoded},
            {"palette-2x2-transparent.png", Decoded},
            {"rgb-2x2.ppm", Decoded},
            {"rgb-3x2.png", Decoded},
            {"rgb24-3x2.bmp", Decoded},
            {"rgba-3x3-interlaced.png", Decoded}});
}

TEST_F(RenderInputs, NothingAndGarbageAreRefusedNamingTheFile) {
    const std::vector<std::vector<std::uint8_t>> cases = {
        {},
        {'B', 'M'},
        {0x89, 'P', 'N', 'G'},
        {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0},
        {0, 1, 2, 3, 4, 5, 6, 7}};
    for (const auto& bytes : cases) {
        SCOPED_TRACE(bytes.size());
        InputOutcome got{};
        ASSERT_NO_THROW(got = check(bytes));
        EXPECT_EQ(got, InputOutcome::Refused);
    }
}

// Refused with a message naming the file, or read and run; a picture without blue ends its run
// at the zero maximum and nowhere else.
TEST_F(RenderInputs, InputsThatOnceBrokeAPromiseKeepThemNow) {
    using enum InputOutcome;
    replay("regressions/render", [this](const auto& bytes) { return check(bytes); },
           {{"no-blue-4x4.bmp", Decoded},
            {"png-16x16-cut-short.png", Refused},
            {"png-65535x65535-one-row-of-data.png", Refused},
            {"width-2147483647.bmp", Refused},
            {"zeros-64.bin", Refused}});
}
#endif

}  // namespace
