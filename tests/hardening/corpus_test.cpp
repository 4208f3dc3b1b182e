// The fuzz targets' checks, replayed in the ordinary suite: over the seed corpus, whose outcome
// is known file by file, and over every input that ever broke a promise (fuzz/regressions).
// A crash found by fuzzing becomes a regression case by copying the input there.

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <map>
#include <string>
#include <unistd.h>
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

const char* outcome_name(InputOutcome o) { return o == InputOutcome::Decoded ? "decoded" : "refused"; }

using Check = std::function<InputOutcome(const std::vector<std::uint8_t>&)>;

InputOutcome bmp_check(const std::vector<std::uint8_t>& bytes) {
    return check_bmp_input(bytes.data(), bytes.size());
}

// Every seed must be listed with its outcome, and every listed seed must be in the corpus.
void replay_seeds(const std::string& target, Check check, const std::map<std::string, InputOutcome>& expected) {
    const auto seeds = files_in(fuzz_dir / "corpus" / target);
    ASSERT_EQ(seeds.size(), expected.size()) << "the table and fuzz/corpus/" << target << " differ";
    for (const fs::path& seed : seeds) {
        SCOPED_TRACE(seed.filename().string());
        const auto it = expected.find(seed.filename().string());
        ASSERT_NE(it, expected.end()) << "a seed without an expected outcome";
        InputOutcome got{};
        ASSERT_NO_THROW(got = check(file_bytes(seed)));
        EXPECT_STREQ(outcome_name(got), outcome_name(it->second));
    }
}

void replay_regressions(const std::string& target, Check check) {
    for (const fs::path& input : files_in(fuzz_dir / "regressions" / target)) {
        SCOPED_TRACE(input.filename().string());
        EXPECT_NO_THROW(check(file_bytes(input)));
    }
}

TEST(BmpReaderInputs, SeedsGiveTheirKnownOutcome) {
    using enum InputOutcome;
    replay_seeds("bmp", bmp_check,
                 {{"pal8-2x2-full-palette.bmp", Decoded},
                  {"pal8-4x2-rle8.bmp", Refused},  // compressed
                  {"pal8-5x3-four-colours.bmp", Decoded},
                  {"rgb24-1x1-v5-header.bmp", Decoded},
                  {"rgb24-2x2-top-down.bmp", Refused},  // negative height
                  {"rgb24-3x2.bmp", Decoded},
                  {"rgb24-4x1-gap.bmp", Decoded}});
}

TEST(BmpReaderInputs, InputsThatOnceBrokeAPromiseKeepThemNow) { replay_regressions("bmp", bmp_check); }

#ifdef VELD_HAS_RENDER
class RenderInputs : public ::testing::Test {
protected:
    void SetUp() override {
        scratch = (fs::temp_directory_path() / ("veld-render-input-" + std::to_string(::getpid()))).string();
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
    replay_seeds("render", [this](const auto& bytes) { return check(bytes); },
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
        {}, {'B', 'M'}, {0x89, 'P', 'N', 'G'}, {'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0}, {0, 1, 2, 3, 4, 5, 6, 7}};
    for (const auto& bytes : cases) {
        SCOPED_TRACE(bytes.size());
        InputOutcome got{};
        ASSERT_NO_THROW(got = check(bytes));
        EXPECT_EQ(got, InputOutcome::Refused);
    }
}

TEST_F(RenderInputs, InputsThatOnceBrokeAPromiseKeepThemNow) {
    replay_regressions("render", [this](const auto& bytes) { return check(bytes); });
}
#endif

}  // namespace
