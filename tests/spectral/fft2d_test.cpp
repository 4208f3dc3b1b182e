#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "fft.h"
#include "numeric.h"
#include "reference_fft.h"
#include "support.h"

namespace {

constexpr double inverse_area = 1.0 / 65536.0;

class CentredTransform : public testing::Test {
protected:
    static constexpr int n = 256;
    static constexpr int h = n / 2;

    EngineState engine_{n};
    TestMatrix re_{n};
    TestMatrix im_{n};

    int run() {
        RealMatrix re = re_.get();
        RealMatrix im = im_.get();
        return fft2d_centred(&re, &im);
    }
};

TEST_F(CentredTransform, ConstantFieldGoesToTheCentre) {
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            re_.at(i, j) = 3.0;
    EXPECT_EQ(run(), 0);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const bool centre = i == h && j == h;
            ASSERT_NEAR(re_.at(i, j), centre ? 3.0 : 0.0, 1e-15) << i << ", " << j;
            ASSERT_NEAR(im_.at(i, j), 0.0, 1e-15) << i << ", " << j;
        }
}

TEST_F(CentredTransform, ImpulsesSpreadEvenly) {
    struct Case {
        const char* name;
        int x, y;
        bool alternating;  // sign (-1)^(k1 + k2)
    } cases[] = {
        {"impulse at the centre", h, h, false},
        {"impulse at the corner", 0, 0, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j)
                re_.at(i, j) = im_.at(i, j) = 0.0;
        re_.at(c.x, c.y) = 1.0;
        EXPECT_EQ(run(), 0);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                const double sign = c.alternating && (i + j) % 2 == 1 ? -1.0 : 1.0;
                ASSERT_NEAR(re_.at(i, j), sign * inverse_area, 1e-20) << i << ", " << j;
                ASSERT_NEAR(im_.at(i, j), 0.0, 1e-20) << i << ", " << j;
            }
    }
}

TEST_F(CentredTransform, IntegerFieldHasItsMeanAtTheCentre) {
    std::mt19937_64 rng(5);
    std::uniform_int_distribution<int> level(0, 255);
    long long sum = 0;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const int v = level(rng);
            re_.at(i, j) = v;
            sum += v;
        }
    EXPECT_EQ(run(), 0);
    EXPECT_NEAR(re_.at(h, h), static_cast<double>(sum) / (n * n), 1e-12);
    EXPECT_NEAR(im_.at(h, h), 0.0, 1e-12);
    // A real field has a spectrum that is conjugate-symmetric about the centre.
    for (int a = 0; a < n; ++a)
        for (int b = 0; b < n; ++b) {
            const int ma = (n - a) % n;
            const int mb = (n - b) % n;
            const int i = (h + a) % n, j = (h + b) % n, mi = (h + ma) % n, mj = (h + mb) % n;
            ASSERT_NEAR(re_.at(i, j), re_.at(mi, mj), 1e-12) << i << ", " << j;
            ASSERT_NEAR(im_.at(i, j), -im_.at(mi, mj), 1e-12) << i << ", " << j;
        }
}

TEST_F(CentredTransform, TwoCallsMirrorThroughIndexZero) {
    std::mt19937_64 rng(11);
    fill_uniform(re_, rng, -100.0, 100.0);
    fill_uniform(im_, rng, -1.0, 1.0);
    const TestMatrix re0 = re_;
    const TestMatrix im0 = im_;
    EXPECT_EQ(run(), 0);
    EXPECT_EQ(run(), 0);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            const int mi = (n - i) % n;
            const int mj = (n - j) % n;
            ASSERT_NEAR(re_.at(i, j), re0.at(mi, mj) * inverse_area, 1e-15) << i << ", " << j;
            ASSERT_NEAR(im_.at(i, j), im0.at(mi, mj) * inverse_area, 1e-15) << i << ", " << j;
        }
}

TEST_F(CentredTransform, MatchesTheScalarReferenceBitForBit) {
    struct Case {
        const char* name;
        unsigned seed;
        double re_low, re_high, im_low, im_high;
    } cases[] = {
        {"pixel-like real field", 1, 0.0, 255.0, 0.0, 0.0},
        {"signed real field", 2, -1.0, 1.0, 0.0, 0.0},
        {"real with small imaginary", 3, -50.0, 50.0, -1e-3, 1e-3},
        {"complex field", 4, -1e6, 1e6, -1e6, 1e6},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::mt19937_64 rng(c.seed);
        fill_uniform(re_, rng, c.re_low, c.re_high);
        fill_uniform(im_, rng, c.im_low, c.im_high);
        TestMatrix expected_re = re_;
        TestMatrix expected_im = im_;
        reference_fft2d_centred(n, engine_.bit_reversal_table(), engine_.sine_table_entries(),
                                expected_re.get(), expected_im.get());
        EXPECT_EQ(run(), 0);
        const std::vector<double> got_re = re_.flat(), want_re = expected_re.flat();
        const std::vector<double> got_im = im_.flat(), want_im = expected_im.flat();
        EXPECT_EQ(std::memcmp(got_re.data(), want_re.data(), got_re.size() * sizeof(double)), 0);
        EXPECT_EQ(std::memcmp(got_im.data(), want_im.data(), got_im.size() * sizeof(double)), 0);
    }
}

// The full formula, with the positive exponent and the centring, on small fields where direct
// summation is cheap. A sign or an exchange in the wrong place shows here even when the
// symmetric cases above pass.
TEST(CentredTransformSmall, AgreesWithDirectSummation) {
    for (const int n : {4, 8, 16}) {
        SCOPED_TRACE(n);
        EngineState engine(n);
        std::mt19937_64 rng(n);
        TestMatrix re(n), im(n);
        fill_uniform(re, rng, -1.0, 1.0);
        fill_uniform(im, rng, -1.0, 1.0);
        const auto expected = direct_centred(re, im);
        RealMatrix r = re.get();
        RealMatrix m = im.get();
        EXPECT_EQ(engine.transform(&r, &m), 0);
        for (int i = 0; i < n; ++i)
            for (int j = 0; j < n; ++j) {
                EXPECT_NEAR(re.at(i, j), static_cast<double>(expected[i][j].real()), 1e-15)
                    << i << ", " << j;
                EXPECT_NEAR(im.at(i, j), static_cast<double>(expected[i][j].imag()), 1e-15)
                    << i << ", " << j;
            }
    }
}

TEST(CentredTransformSmall, RefusesAnEdgeLengthTheTablesCannotServe) {
    EngineState engine(16);
    TestMatrix re(16), im(16);
    RealMatrix r = re.get();
    RealMatrix m = im.get();
    for (const int n : {0, 2, 12, -16}) {
        SCOPED_TRACE(n);
        EXPECT_THROW(spectral_testing::fft2d_centred_of_edge(n, &r, &m), std::invalid_argument);
    }
}

}  // namespace
