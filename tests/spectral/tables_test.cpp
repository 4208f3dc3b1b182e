#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <numbers>
#include <stdexcept>
#include <string>
#include <vector>

#include "support.h"
#include "tables.h"

namespace {

TEST(SineTable, WorkedTables) {
    struct Case {
        int n;
        std::vector<double> six_places;
    } cases[] = {
        {4, {0, 1, -0.0, -1, 0}},
        {8, {0, 0.707107, 1, 0.707107, -0.0, -0.707107, -1, -0.707107, 0, 0.707107}},
        {16, {0,         0.382683,  0.707107,  0.923880,  1,         0.923880, 0.707107,
              0.382683,  -0.0,      -0.382683, -0.707107, -0.923880, -1,       -0.923880,
              -0.707107, -0.382683, 0,         0.382683,  0.707107,  0.923880}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        const std::vector<double> table = built_sine_table(c.n);
        ASSERT_EQ(table.size(), c.six_places.size());
        for (std::size_t k = 0; k < table.size(); ++k) {
            SCOPED_TRACE(k);
            EXPECT_NEAR(table[k], c.six_places[k], 5e-7);
            EXPECT_NEAR(table[k], std::sin(2 * std::numbers::pi * k / c.n), 1e-15);
        }
        // The zeros carry a sign: half way is the negation of entry 0, the full period is not.
        EXPECT_EQ(table[c.n / 2], 0.0);
        EXPECT_TRUE(std::signbit(table[c.n / 2]));
        EXPECT_EQ(table[c.n], 0.0);
        EXPECT_FALSE(std::signbit(table[c.n]));
        EXPECT_EQ(table[c.n / 4], 1.0);
        EXPECT_EQ(table[3 * c.n / 4], -1.0);
    }
}

TEST(SineTable, FourEntriesAreExact) {
    // No eighth exists, so no square-root constant is written: every entry comes from symmetry.
    std::vector<double> table(6, 42.0);
    double* entries = table.data();
    testing::internal::CaptureStdout();
    build_sine_table(4, &entries);
    testing::internal::GetCapturedStdout();
    const double expected[] = {0.0, 1.0, -0.0, -1.0, 0.0};
    for (int k = 0; k < 5; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(table[k], expected[k]);
        EXPECT_EQ(std::signbit(table[k]), std::signbit(expected[k]));
    }
    EXPECT_EQ(table[5], 42.0) << "wrote past 1.25 n entries";
}

TEST(SineTable, Length256) {
    const int n = 256;
    const std::vector<double> table = built_sine_table(n);
    ASSERT_EQ(table.size(), 320u);
    EXPECT_EQ(table[64], 1.0);
    EXPECT_EQ(table[192], -1.0);
    EXPECT_EQ(table[32], 0.7071067811865476);
    EXPECT_EQ(table[96], 0.7071067811865476);
    EXPECT_EQ(table[160], -0.7071067811865476);
    EXPECT_EQ(table[128], 0.0);
    EXPECT_TRUE(std::signbit(table[128]));
    EXPECT_EQ(table[256], 0.0);
    EXPECT_FALSE(std::signbit(table[256]));
    EXPECT_NEAR(table[1], 0.0245412, 5e-8);
    EXPECT_NEAR(table[319], 0.9996988, 5e-8);
    for (int k = 0; k < 64; ++k) {
        SCOPED_TRACE(k);
        EXPECT_EQ(table[256 + k], table[k]);
        EXPECT_EQ(std::signbit(table[256 + k]), std::signbit(table[k]));
        // The second quarter mirrors the first, the second half negates the first.
        EXPECT_EQ(table[128 - k], table[k]);
        EXPECT_EQ(table[128 + k], -table[k]);
    }
    for (int k = 0; k < 320; ++k) {
        SCOPED_TRACE(k);
        const long double exact = std::sin(2.0L * std::numbers::pi_v<long double> * k / n);
        EXPECT_LE(std::fabs(static_cast<long double>(table[k]) - exact), 1e-15L);
    }
}

std::int32_t reversed_bits(std::int32_t i, int n) {
    std::int32_t r = 0;
    for (int bit = 1; bit < n; bit <<= 1) {
        r <<= 1;
        if (i & bit)
            r |= 1;
    }
    return r;
}

TEST(BitReversal, WorkedTables) {
    struct Case {
        int n;
        std::vector<std::int32_t> expected;
    } cases[] = {
        {4, {0, 2, 1, 3}},
        {8, {0, 4, 2, 6, 1, 5, 3, 7}},
        {16, {0, 8, 4, 12, 2, 10, 6, 14, 1, 9, 5, 13, 3, 11, 7, 15}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.n);
        EXPECT_EQ(built_bit_reversal(c.n), c.expected);
    }
}

TEST(BitReversal, SelfInversePermutationOfReversedBits) {
    for (int n = 4; n <= 1024; n *= 2) {
        SCOPED_TRACE(n);
        const std::vector<std::int32_t> table = built_bit_reversal(n);
        std::vector<int> seen(n, 0);
        for (int i = 0; i < n; ++i) {
            ASSERT_GE(table[i], 0);
            ASSERT_LT(table[i], n);
            ++seen[table[i]];
            EXPECT_EQ(table[table[i]], i);
            EXPECT_EQ(table[i], reversed_bits(i, n));
        }
        for (int i = 0; i < n; ++i)
            EXPECT_EQ(seen[i], 1) << "value " << i;
    }
}

TEST(Tables, EachBuildWritesItsTraceLine) {
    std::vector<double> sines(320);
    std::vector<std::int32_t> reversal(256);
    double* sine_entries = sines.data();
    std::int32_t* reversal_entries = reversal.data();

    testing::internal::CaptureStdout();
    build_sine_table(256, &sine_entries);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "a\n");
    testing::internal::CaptureStdout();
    build_bit_reversal(256, &reversal_entries);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "b\n");
    testing::internal::CaptureStdout();
    build_sine_table(16, &sine_entries);
    build_bit_reversal(16, &reversal_entries);
    build_sine_table(8, &sine_entries);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "a\nb\na\n");
}

TEST(Tables, RefuseLengthsThatAreNotPowersOfTwoOfAtLeastFour) {
    const int lengths[] = {0, 1, 2, 3, 5, 6, 12, 100, 255, -4, -256, INT_MIN, INT_MAX};
    for (const int n : lengths) {
        SCOPED_TRACE(n);
        EXPECT_FALSE(is_transform_length(n));
        std::vector<double> sines(8, 42.0);
        std::vector<std::int32_t> reversal(8, 42);
        double* sine_entries = sines.data();
        std::int32_t* reversal_entries = reversal.data();
        testing::internal::CaptureStdout();
        try {
            build_sine_table(n, &sine_entries);
            ADD_FAILURE() << "sine table accepted";
        } catch (const std::invalid_argument& error) {
            EXPECT_EQ(std::string(error.what()), "sine table length " + std::to_string(n) +
                                                     " is not a power of two of at least 4");
        }
        EXPECT_THROW(build_bit_reversal(n, &reversal_entries), std::invalid_argument);
        EXPECT_EQ(testing::internal::GetCapturedStdout(), "") << "traced a refused build";
        EXPECT_EQ(sines, std::vector<double>(8, 42.0));
        EXPECT_EQ(reversal, std::vector<std::int32_t>(8, 42));
    }
    for (int shift = 2; shift <= 30; ++shift)
        EXPECT_TRUE(is_transform_length(1 << shift)) << shift;
}

}  // namespace
