#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <ios>

#include "band.h"
#include "buffers.h"
#include "numeric.h"

namespace {

class BandMap : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(alloc_int_matrix(image_size, image_size, &band_map), 0);
        build_band_map();
    }
    // Later suites allocate band_map afresh; the map of this one must not be left unreachable.
    static void TearDownTestSuite() {
        for (int i = 0; i < image_size; ++i)
            std::free(band_map[i]);
        std::free(band_map);
        band_map = nullptr;
    }
};

TEST_F(BandMap, CountsAndSquaredDistancesOfEveryBand) {
    const struct {
        int count, min_d2, max_d2;
    } bands[12] = {{1, 0, 0},
                   {8, 1, 2},
                   {20, 4, 9},
                   {68, 10, 29},
                   {188, 32, 89},
                   {492, 90, 245},
                   {1316, 250, 666},
                   {3420, 673, 1754},
                   {8888, 1762, 4581},
                   {22876, 4586, 11866},
                   {28114, 11876, 30545},
                   {145, 30752, 32768}};
    int count[12] = {};
    int lo[12], hi[12];
    std::fill(std::begin(lo), std::end(lo), 1 << 30);
    std::fill(std::begin(hi), std::end(hi), -1);
    for (int i = 0; i < 256; ++i)
        for (int j = 0; j < 256; ++j) {
            const int b = band_map[i][j];
            ASSERT_GE(b, 0);
            ASSERT_LT(b, 12);
            const int d2 = (i - 128) * (i - 128) + (j - 128) * (j - 128);
            ++count[b];
            lo[b] = std::min(lo[b], d2);
            hi[b] = std::max(hi[b], d2);
        }
    for (int b = 0; b < 12; ++b) {
        SCOPED_TRACE(b);
        EXPECT_EQ(count[b], bands[b].count);
        EXPECT_EQ(lo[b], bands[b].min_d2);
        EXPECT_EQ(hi[b], bands[b].max_d2);
    }
}

TEST_F(BandMap, NamedPositionsAndSymmetries) {
    const struct {
        int i, j, band;
    } cases[] = {{128, 128, 0},  {128, 129, 1}, {129, 129, 1}, {128, 130, 2},
                 {130, 130, 2},  {64, 64, 9},   {0, 128, 10},  {128, 0, 10},
                 {128, 255, 10}, {0, 0, 11},    {0, 255, 11},  {255, 255, 11}};
    for (const auto& c : cases)
        EXPECT_EQ(band_map[c.i][c.j], c.band) << c.i << "," << c.j;
    for (int i = 0; i < 256; ++i)
        for (int j = 0; j < 256; ++j) {
            ASSERT_EQ(band_map[i][j], band_map[j][i]);
            if (i >= 1 && j >= 1) {
                ASSERT_EQ(band_map[i][j], band_map[256 - i][256 - j]);
            }
        }
}

TEST(BandGains, FactorsOfTheSliderPositions) {
    // Gain 200 - position percent, factor (gain/100)^3: these five are exact in binary.
    const struct {
        int position;
        double gain, factor;
    } cases[] = {{0, 200, 8}, {50, 150, 3.375}, {100, 100, 1}, {150, 50, 0.125}, {200, 0, 0}};
    SliderPositions p{};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.position);
        p.fill(c.position);
        const BandGains g = gains_from_positions(p);
        EXPECT_EQ(g[0], c.gain);
        EXPECT_EQ(g[11], c.gain);
        EXPECT_EQ(band_factor(c.gain), c.factor);
    }
}

TEST(BandGains, FactorsAreMultipliedLeftToRight) {
    // 0.01 * g * g * 0.01 * g * 0.01, one rounding after each product. For these gains the
    // result is not the correctly rounded (g/100)^3 that g * g * g / 1e6 gives (the pattern in
    // the comment); 3 and 61 also differ from pow(g / 100, 3) and from the other groupings of
    // the same products. The patterns were worked out once in exact rational arithmetic,
    // rounding to the nearest double after each product.
    const struct {
        int gain;
        double factor;
    } cases[] = {
        {1, 0x1.0c6f7a0b5ed8ep-20},   // not 0x1.0c6f7a0b5ed8dp-20
        {3, 0x1.c4fc1df3300dfp-16},   // not 0x1.c4fc1df3300dep-16
        {61, 0x1.d0db6a1e81cb6p-3},   // not 0x1.d0db6a1e81cb4p-3
        {199, 0x1.f85bbbe878fadp+2},  // not 0x1.f85bbbe878facp+2
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.gain);
        EXPECT_EQ(band_factor(c.gain), c.factor) << std::hexfloat << band_factor(c.gain);
    }
}

}  // namespace
