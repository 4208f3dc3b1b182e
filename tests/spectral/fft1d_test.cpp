#include <gtest/gtest.h>

#include <climits>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>
#include <random>
#include <stdexcept>
#include <vector>

#include "fft.h"
#include "reference_fft.h"
#include "support.h"

namespace {

struct Line {
    std::vector<double> x;
    std::vector<double> y;
};

// Runs fft1d with tables built for |n|.
void transform(int n, Line& line) {
    const int length = n < 0 ? -n : n;
    const std::vector<double> sines = built_sine_table(length);
    const std::vector<std::int32_t> reversal = built_bit_reversal(length);
    double* x = line.x.data();
    double* y = line.y.data();
    fft1d(n, reversal.data(), sines.data(), &x, &y);
}

// A line of `length` values drawn uniformly from [low, high), x and y in turn.
Line random_line(int length, std::mt19937_64& rng, double low, double high) {
    std::uniform_real_distribution<double> value(low, high);
    Line line{std::vector<double>(length), std::vector<double>(length)};
    for (int m = 0; m < length; ++m) {
        line.x[m] = value(rng);
        line.y[m] = value(rng);
    }
    return line;
}

TEST(Fft1d, WorkedValuesForEight) {
    const double r = std::sqrt(0.5);
    const double e = r / 8;  // 0.0883883
    std::vector<double> cosine(8), sine(8);
    for (int m = 0; m < 8; ++m) {
        cosine[m] = std::cos(2 * std::numbers::pi * m / 8);
        sine[m] = std::sin(2 * std::numbers::pi * m / 8);
    }
    const std::vector<double> zeros(8, 0.0);
    const std::vector<double> impulse0 = {1, 0, 0, 0, 0, 0, 0, 0};
    const std::vector<double> impulse1 = {0, 1, 0, 0, 0, 0, 0, 0};
    const std::vector<double> ones(8, 1.0);

    struct Case {
        const char* name;
        int n;
        std::vector<double> x, y, expected_x, expected_y;
    } cases[] = {
        {"forward impulse at 0", 8, impulse0, zeros, std::vector<double>(8, 0.125), zeros},
        {"forward constant", 8, ones, zeros, impulse0, zeros},
        {"backward constant", -8, ones, zeros, {8, 0, 0, 0, 0, 0, 0, 0}, zeros},
        {"forward cosine", 8, cosine, zeros, {0, 0.5, 0, 0, 0, 0, 0, 0.5}, zeros},
        {"forward sine", 8, sine, zeros, zeros, {0, -0.5, 0, 0, 0, 0, 0, 0.5}},
        {"forward impulse at 1",
         8,
         impulse1,
         zeros,
         {0.125, e, 0, -e, -0.125, -e, 0, e},
         {0, -e, -0.125, -e, 0, e, 0.125, e}},
        {"backward impulse at 1",
         -8,
         impulse1,
         zeros,
         {1, r, 0, -r, -1, -r, 0, r},
         {0, r, 1, r, 0, -r, -1, -r}},
        {"forward imaginary impulse at 1",
         8,
         zeros,
         impulse1,
         {0, e, 0.125, e, 0, -e, -0.125, -e},
         {0.125, e, 0, -e, -0.125, -e, 0, e}},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        Line line{c.x, c.y};
        transform(c.n, line);
        for (int k = 0; k < 8; ++k) {
            SCOPED_TRACE(k);
            EXPECT_NEAR(line.x[k], c.expected_x[k], 1e-15);
            EXPECT_NEAR(line.y[k], c.expected_y[k], 1e-15);
        }
    }
}

TEST(Fft1d, ZeroLengthTouchesNothing) {
    Line line{{1, 2, 3, 4}, {5, 6, 7, 8}};
    double* x = line.x.data();
    double* y = line.y.data();
    // Not even the tables are read.
    fft1d(0, nullptr, nullptr, &x, &y);
    EXPECT_EQ(line.x, (std::vector<double>{1, 2, 3, 4}));
    EXPECT_EQ(line.y, (std::vector<double>{5, 6, 7, 8}));
}

TEST(Fft1d, AgreesWithDirectSummation) {
    std::mt19937_64 rng(20240611);
    const int lengths[] = {8, -8, 16, -16, 4, -4, 64, -64};
    for (const int n : lengths) {
        SCOPED_TRACE(n);
        const int length = n < 0 ? -n : n;
        Line line = random_line(length, rng, -1.0, 1.0);
        const auto expected = direct_dft(n, line.x, line.y);
        transform(n, line);
        // Each output is a sum of |n| unit-sized terms; forward sums are also divided by |n|.
        const double tolerance = (n > 0 ? 1.0 : length) * 1e-15 * std::log2(length);
        for (int k = 0; k < length; ++k) {
            SCOPED_TRACE(k);
            EXPECT_NEAR(line.x[k], static_cast<double>(expected[k].real()), tolerance);
            EXPECT_NEAR(line.y[k], static_cast<double>(expected[k].imag()), tolerance);
        }
    }
}

TEST(Fft1d, ForwardThenBackwardRestoresTheLine) {
    std::mt19937_64 rng(7);
    for (int n = 4; n <= 1024; n *= 2) {
        SCOPED_TRACE(n);
        Line line = random_line(n, rng, -1.0, 1.0);
        const Line original = line;
        transform(n, line);
        transform(-n, line);
        // A few units in the last place of the largest sample (1.0) per stage.
        const double tolerance = 4 * std::numeric_limits<double>::epsilon() * std::log2(n);
        for (int m = 0; m < n; ++m) {
            EXPECT_NEAR(line.x[m], original.x[m], tolerance) << "x[" << m << "]";
            EXPECT_NEAR(line.y[m], original.y[m], tolerance) << "y[" << m << "]";
        }
    }
}

TEST(Fft1d, MatchesTheScalarReferenceBitForBit) {
    std::mt19937_64 rng(99);
    const int lengths[] = {4, -4, 8, -8, 256, -256, 1024, -1024};
    for (const int n : lengths) {
        SCOPED_TRACE(n);
        const int length = n < 0 ? -n : n;
        Line line = random_line(length, rng, -1000.0, 1000.0);
        Line reference = line;
        const std::vector<double> sines = built_sine_table(length);
        const std::vector<std::int32_t> reversal = built_bit_reversal(length);
        reference_fft1d(n, reversal.data(), sines.data(), reference.x.data(), reference.y.data());
        transform(n, line);
        EXPECT_EQ(std::memcmp(line.x.data(), reference.x.data(), length * sizeof(double)), 0);
        EXPECT_EQ(std::memcmp(line.y.data(), reference.y.data(), length * sizeof(double)), 0);
    }
}

TEST(Fft1d, RefusesBadLengths) {
    const int lengths[] = {1, 2, 3, 6, -6, 12, 100, -1, -2, INT_MIN, INT_MAX};
    for (const int n : lengths) {
        SCOPED_TRACE(n);
        Line line{std::vector<double>(16, 1.0), std::vector<double>(16, 2.0)};
        const std::vector<double> sines = built_sine_table(16);
        const std::vector<std::int32_t> reversal = built_bit_reversal(16);
        double* x = line.x.data();
        double* y = line.y.data();
        EXPECT_THROW(fft1d(n, reversal.data(), sines.data(), &x, &y), std::invalid_argument);
        EXPECT_EQ(line.x, std::vector<double>(16, 1.0));
        EXPECT_EQ(line.y, std::vector<double>(16, 2.0));
    }
}

}  // namespace
