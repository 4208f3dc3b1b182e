// The band report: energies of pictures whose spectrum is known in closed form, the effect of
// the gains on them, the band radii against the band map, and the printed table.

#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <sstream>
#include <string>

#include "band_report.h"
#include "first_run.h"
#include "numeric.h"
#include "support.h"

namespace {

// Positions of the spectrum in each band, from the band rule.
const std::int64_t band_sizes[band_count] = {1,    8,    20,   68,    188,   492,
                                             1316, 3420, 8888, 22876, 28114, 145};

TBitmap grey(const std::function<int(int x, int y)>& level) {
    return make_picture(256, 256, [&](int x, int y) {
        const auto v = static_cast<std::uint8_t>(level(x, y));
        return Bgr{v, v, v};
    });
}

TEST(BandEnergies, ConstantPictureHasOnlyTheMean) {
    const FirstRun run = first_run(grey([](int, int) { return 90; }), all_100);
    EXPECT_NEAR(run.energies.before[0], 90.0 * 90.0, 1e-9);
    for (int k = 1; k < band_count; ++k)
        EXPECT_EQ(run.energies.before[k], 0.0) << k;
    EXPECT_EQ(run.energies.source_square_sum, 65536LL * 90 * 90);
}

// 100 + 50 cos(2 pi 64 x / 256): the mean, and two elements of magnitude 25 at 64 cycles
// per picture, which lie in band 8 (41.95 <= 64 < 67.72).
TEST(BandEnergies, CosineLandsInItsBand) {
    const int levels[4] = {150, 100, 50, 100};
    const FirstRun run = first_run(grey([&](int x, int) { return levels[x % 4]; }), all_100);
    const BandEnergies& e = run.energies;
    EXPECT_NEAR(e.before[0], 10000.0, 1e-9);
    EXPECT_NEAR(e.before[8], 2 * 25.0 * 25.0, 1e-9);
    for (int k = 0; k < band_count; ++k)
        if (k != 0 && k != 8) {
            EXPECT_LT(e.before[k], 1e-18) << k;
        }
    EXPECT_EQ(e.source_square_sum, 65536LL * (150 * 150 + 100 * 100 + 50 * 50 + 100 * 100) / 4);
}

TEST(BandEnergies, GainsScaleEachBandByTheSquareOfItsFactor) {
    const SliderPositions positions = {0, 50, 150, 5, 195, 100, 30, 170, 60, 140, 200, 110};
    const FirstRun run = first_run(sample_picture(Sample::Jupiter), positions);
    for (int k = 0; k < band_count; ++k) {
        // Gain 200 - position percent; the run's factor is (gain/100)^3 to within rounding.
        const double f = std::pow((200 - positions[k]) / 100.0, 3);
        EXPECT_NEAR(run.energies.after[k], f * f * run.energies.before[k],
                    1e-12 * run.energies.before[k])
            << k;
    }
}

TEST(BandEnergies, ElementCountsFollowTheBandRule) {
    const FirstRun run = first_run(sample_picture(Sample::Wave), all_100);
    for (int k = 0; k < band_count; ++k)
        EXPECT_EQ(run.energies.elements[k], band_sizes[k]) << k;
}

TEST(BandEnergies, ParsevalHoldsForEverySample) {
    for (int s = 0; s < sample_count; ++s) {
        SCOPED_TRACE(sample_caption(static_cast<Sample>(s)));
        const FirstRun run = first_run(sample_picture(static_cast<Sample>(s)), all_100);
        const ParsevalCheck p = parseval_check(run.energies);
        EXPECT_GT(p.source_side, 0);
        EXPECT_LT(p.relative_difference, 1e-13);
    }
}

// The radii printed for each band are the ones the band map sorts by.
TEST(BandRadii, AgreeWithTheBandMap) {
    const double documented_outer[band_count - 1] = {
        0.6, 1.56, 3.096, 5.5536, 9.48576, 15.777, 25.844, 41.950, 67.719, 108.95, 174.92};
    for (int k = 0; k + 1 < band_count; ++k) {
        EXPECT_NEAR(band_outer_radius(k), documented_outer[k], 0.006) << k;
        EXPECT_DOUBLE_EQ(band_inner_radius(k + 1), band_outer_radius(k)) << k;
    }
    EXPECT_EQ(band_inner_radius(0), 0.0);
    EXPECT_NEAR(largest_radius(), 181.019, 0.001);
    for (int d2 = 0; d2 <= 2 * 128 * 128; ++d2) {
        const double r = std::sqrt(static_cast<double>(d2));
        const int band = band_of_squared_distance(d2);
        ASSERT_GE(r, band_inner_radius(band)) << d2;
        ASSERT_LT(r, band_outer_radius(band)) << d2;
    }
}

struct Row {
    int band = -1;
    std::string slider;
    int position = -1;
    std::int64_t elements = -1;
    double before = -1, after = -1, factor = -1;
};

// "band slider position r0 - r1 c0 - c1 w0 - w1 elements before % after % factor"
Row parse_row(const std::string& line) {
    std::istringstream in(line);
    Row r;
    std::string skip;
    in >> r.band >> r.slider >> r.position;
    for (int i = 0; i < 9; ++i)
        in >> skip;
    in >> r.elements >> r.before >> skip >> r.after >> skip >> r.factor;
    return r;
}

TEST(BandReport, PrintedTableAddsUp) {
    ScratchDir dir;
    const std::array<int, 12> gains = {100, 100, 100, 100, 0, 0, 0, 0, 200, 50, 150, 100};
    const ToolRun run =
        run_tool({"--sample", "Moon", "--gains", joined(gains), "--report"}, dir.path());
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    const std::vector<std::string> lines = lines_of(run.out);
    ASSERT_GE(lines.size(), 18u) << run.out;
    EXPECT_EQ(lines[0], "VELD band report: sample Moon");
    EXPECT_EQ(lines[1].rfind("positions 100,100,100,100,200,200,200,200,0,150,50,100", 0), 0u)
        << lines[1];

    double before = 0, after = 0;
    const FirstRun reference = first_run(sample_picture(Sample::Moon), positions_of_gains(gains));
    for (int k = 0; k < band_count; ++k) {
        SCOPED_TRACE(lines[4 + k]);
        const Row r = parse_row(lines[4 + k]);
        EXPECT_EQ(r.band, k);
        EXPECT_EQ(r.slider, "ScrollBar" + std::to_string(k + 1));
        EXPECT_EQ(r.position, 200 - gains[k]);
        EXPECT_EQ(r.elements, band_sizes[k]);
        EXPECT_NEAR(r.factor, std::pow(gains[k] / 100.0, 3), 1e-6);
        if (gains[k] == 0) {
            EXPECT_EQ(r.after, 0.0);
        }
        before += r.before;
        after += r.after;
    }
    EXPECT_NEAR(before, 100.0, 1e-4);
    EXPECT_NEAR(after, 100.0, 1e-4);
    // Each band's share after the gains is its energy times factor^2, over the new total.
    const Row low = parse_row(lines[4 + 2]);
    const Row high = parse_row(lines[4 + 8]);
    EXPECT_NEAR(high.after / low.after, 64 * high.before / low.before,
                1e-3 * 64 * high.before / low.before);

    const std::string& last = lines.back();
    EXPECT_EQ(last.rfind("Parseval: 256^2 x sum |X|^2 = ", 0), 0u) << last;
    EXPECT_NE(last.find("agrees within rounding"), std::string::npos) << last;
    const auto at = last.find("relative difference ");
    ASSERT_NE(at, std::string::npos);
    EXPECT_LT(std::strtod(last.c_str() + at + 20, nullptr), 1e-13);
    EXPECT_NEAR(std::strtod(last.c_str() + last.find("source values = ") + 16, nullptr),
                static_cast<double>(reference.energies.source_square_sum), 0.5);
}

}  // namespace
