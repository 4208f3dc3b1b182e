// Every kernel of the centred transform against the scalar reference, bit for bit.

#include <gtest/gtest.h>

#include <cfenv>
#include <cmath>
#include <cstring>
#include <random>
#include <string>
#include <vector>

#include "fft.h"
#include "reference_fft.h"
#include "support.h"

namespace {

const char* kernel_label(FftKernel kernel) {
    switch (kernel) {
    case FftKernel::Plain:
        return "plain";
    case FftKernel::Sse2:
        return "sse2";
    case FftKernel::Avx2:
        return "avx2";
    case FftKernel::Avx512:
        return "avx512";
    }
    return "?";
}

// How a test field is filled: uniform parts, or a random sign and a random power of ten.
struct FieldCase {
    const char* name;
    unsigned seed;
    double re_low, re_high;
    double im_low, im_high;
    bool log_uniform;  // magnitudes 10^[re_low, re_high], 10^[im_low, im_high]
};

void fill_case(const FieldCase& c, TestMatrix& re, TestMatrix& im) {
    std::mt19937_64 rng(c.seed);
    if (!c.log_uniform) {
        fill_uniform(re, rng, c.re_low, c.re_high);
        fill_uniform(im, rng, c.im_low, c.im_high);
        return;
    }
    std::uniform_real_distribution<double> re_exponent(c.re_low, c.re_high);
    std::uniform_real_distribution<double> im_exponent(c.im_low, c.im_high);
    std::bernoulli_distribution negative(0.5);
    for (int i = 0; i < re.size(); ++i)
        for (int j = 0; j < re.size(); ++j) {
            re.at(i, j) = (negative(rng) ? -1.0 : 1.0) * std::pow(10.0, re_exponent(rng));
            im.at(i, j) = (negative(rng) ? -1.0 : 1.0) * std::pow(10.0, im_exponent(rng));
        }
}

bool same_bits(const TestMatrix& a, const TestMatrix& b) {
    const std::vector<double> fa = a.flat();
    const std::vector<double> fb = b.flat();
    return fa.size() == fb.size() &&
           std::memcmp(fa.data(), fb.data(), fa.size() * sizeof(double)) == 0;
}

// The first element whose bits differ, for the failure message.
std::string first_difference(const TestMatrix& got, const TestMatrix& want) {
    for (int i = 0; i < got.size(); ++i)
        for (int j = 0; j < got.size(); ++j) {
            const double g = got.at(i, j);
            const double w = want.at(i, j);
            if (std::memcmp(&g, &w, sizeof(double)) != 0)
                return "[" + std::to_string(i) + "][" + std::to_string(j) + "] got " +
                       std::to_string(got.at(i, j)) + " want " + std::to_string(want.at(i, j));
        }
    return "none";
}

class Kernel : public testing::TestWithParam<FftKernel> {
protected:
    void SetUp() override {
        previous_ = fft_kernel();
        const FftKernel kernel = GetParam();
        if (!fft_kernel_supported(kernel)) {
            EXPECT_FALSE(set_fft_kernel(kernel));
            EXPECT_EQ(fft_kernel(), previous_) << "an unsupported kernel was selected";
            GTEST_SKIP() << kernel_label(kernel) << " is not supported here";
        }
        ASSERT_TRUE(set_fft_kernel(kernel));
    }
    void TearDown() override { set_fft_kernel(previous_); }

    // Runs the selected kernel and the reference on the same field; true if every bit agrees and
    // the floating-point flags raised are the same.
    void expect_reference_bits(int n, const FieldCase& c) {
        SCOPED_TRACE(std::string(c.name) + ", n = " + std::to_string(n));
        EngineState engine(n);
        TestMatrix re(n), im(n);
        fill_case(c, re, im);
        TestMatrix want_re = re, want_im = im;

        std::feclearexcept(FE_ALL_EXCEPT);
        reference_fft2d_centred(n, engine.bit_reversal_table(), engine.sine_table_entries(),
                                want_re.get(), want_im.get());
        const int want_flags = std::fetestexcept(FE_ALL_EXCEPT);

        RealMatrix r = re.get();
        RealMatrix m = im.get();
        std::feclearexcept(FE_ALL_EXCEPT);
        EXPECT_EQ(engine.transform(&r, &m), 0);
        const int got_flags = std::fetestexcept(FE_ALL_EXCEPT);
        std::feclearexcept(FE_ALL_EXCEPT);

        EXPECT_TRUE(same_bits(re, want_re))
            << "real part, first difference " << first_difference(re, want_re);
        EXPECT_TRUE(same_bits(im, want_im))
            << "imaginary part, first difference " << first_difference(im, want_im);
        EXPECT_EQ(got_flags, want_flags);
    }

    FftKernel previous_ = FftKernel::Plain;
};

TEST_P(Kernel, SelectionIsReported) {
    EXPECT_EQ(fft_kernel(), GetParam());
    EXPECT_STREQ(fft_kernel_name(), kernel_label(GetParam()));
}

TEST_P(Kernel, MatchesTheReferenceOnRandomFields) {
    const FieldCase cases[] = {
        {"pixels", 1, 0.0, 255.0, 0.0, 0.0, false},
        {"pixels with small imaginary", 2, 0.0, 255.0, -1e-3, 1e-3, false},
        {"signed unit", 3, -1.0, 1.0, -1.0, 1.0, false},
        {"filtered spectrum scale", 4, -1e-3, 1e-3, -1e-9, 1e-9, false},
        {"wide magnitudes", 5, -30.0, 30.0, -30.0, 30.0, true},
    };
    for (const FieldCase& c : cases)
        expect_reference_bits(256, c);
}

TEST_P(Kernel, MatchesTheReferenceOnHugeAndTinyValues) {
    const FieldCase cases[] = {
        {"huge", 11, 295.0, 300.0, 290.0, 300.0, true},
        // Line sums pass the largest double: infinities, then NaNs from inf - inf.
        {"overflowing", 12, 306.0, 308.0, 306.0, 308.0, true},
        // Subnormal results: each division by n rounds in the subnormal range.
        {"subnormal", 13, -318.0, -305.0, -320.0, -300.0, true},
        {"tiny mixed with ones", 14, -310.0, 0.0, -310.0, 0.0, true},
        {"every magnitude", 15, -300.0, 300.0, -300.0, 300.0, true},
    };
    for (const FieldCase& c : cases)
        expect_reference_bits(256, c);
}

TEST_P(Kernel, MatchesTheReferenceOnSignedZeros) {
    // Zeros keep their sign through the butterflies (a twiddle of -0.0 is among the
    // cosines), so a kernel that skipped or reordered a product would show here.
    for (const double zero : {0.0, -0.0}) {
        SCOPED_TRACE(zero);
        EngineState engine(256);
        TestMatrix re(256, zero), im(256, -zero);
        re.at(3, 5) = 1.0;
        TestMatrix want_re = re, want_im = im;
        reference_fft2d_centred(256, engine.bit_reversal_table(), engine.sine_table_entries(),
                                want_re.get(), want_im.get());
        RealMatrix r = re.get();
        RealMatrix m = im.get();
        engine.transform(&r, &m);
        EXPECT_TRUE(same_bits(re, want_re)) << first_difference(re, want_re);
        EXPECT_TRUE(same_bits(im, want_im)) << first_difference(im, want_im);
    }
}

TEST_P(Kernel, MatchesTheReferenceAtOtherEdgeLengths) {
    // 8 and 4 are narrower than the lanes and take the plain way; 512 and 32 have an odd
    // number of stages; 16 is the narrowest field the lanes serve.
    const FieldCase c{"signed unit", 21, -1.0, 1.0, -1.0, 1.0, false};
    for (const int n : {4, 8, 16, 32, 64, 128, 512})
        expect_reference_bits(n, c);
}

TEST_P(Kernel, TwoCallsMirrorTheField) {
    const int n = 256;
    EngineState engine(n);
    TestMatrix re(n), im(n);
    const FieldCase c{"signed unit", 31, -1.0, 1.0, -1.0, 1.0, false};
    fill_case(c, re, im);
    const TestMatrix re0 = re, im0 = im;
    RealMatrix r = re.get();
    RealMatrix m = im.get();
    engine.transform(&r, &m);
    engine.transform(&r, &m);
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            ASSERT_NEAR(re.at(i, j), re0.at((n - i) % n, (n - j) % n) / 65536.0, 1e-17);
            ASSERT_NEAR(im.at(i, j), im0.at((n - i) % n, (n - j) % n) / 65536.0, 1e-17);
        }
}

INSTANTIATE_TEST_SUITE_P(AllKernels, Kernel,
                         testing::Values(FftKernel::Plain, FftKernel::Sse2, FftKernel::Avx2,
                                         FftKernel::Avx512),
                         [](const testing::TestParamInfo<FftKernel>& info) {
                             return std::string(kernel_label(info.param));
                         });

TEST(KernelChoice, PlainIsAlwaysThere) {
    EXPECT_TRUE(fft_kernel_supported(FftKernel::Plain));
    EXPECT_TRUE(fft_kernel_supported(fft_kernel())) << "the default kernel cannot run here";
}

}  // namespace
