// The fused passes of a run, each set the processor runs, against the steps they stand for:
// the same bytes and values element by element, and on values that no picture gives, the same
// findings and the same stopping point.

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <memory>
#include <random>
#include <vector>

#include "band.h"
#include "buffers.h"
#include "engine.h"
#include "fft.h"
#include "numeric.h"
#include "passes.h"
#include "steps.h"

namespace {

using filter_detail::Findings;
using filter_detail::PassSet;

std::vector<const PassSet*> pass_sets() {
    std::vector<const PassSet*> sets{&filter_detail::portable_passes()};
    if (fft_kernel_supported(FftKernel::Avx512))
        sets.push_back(&filter_detail::avx512_passes());
    return sets;
}

// A 256 x 256 matrix with its own rows.
template <class T>
struct Matrix {
    std::vector<std::vector<T>> rows_storage;
    std::vector<T*> rows;
    Matrix() : rows_storage(256, std::vector<T>(256)), rows(256) { point(); }
    Matrix(const Matrix& other) : rows_storage(other.rows_storage), rows(256) { point(); }
    Matrix& operator=(const Matrix&) = delete;
    void point() {
        for (int i = 0; i < 256; ++i)
            rows[i] = rows_storage[i].data();
    }
    T** get() { return rows.data(); }
    T& at(int i, int j) { return rows_storage[i][j]; }
};

std::vector<std::uint8_t*> rows_of(TBitmap& b) {
    std::vector<std::uint8_t*> rows(256);
    for (int y = 0; y < 256; ++y)
        rows[y] = b.ScanLine(y);
    return rows;
}

TBitmap picture() {
    TBitmap b;
    b.SetPixelFormat(TPixelFormat::pf24bit);
    b.SetSize(256, 256);
    return b;
}

bool same_bits(double a, double b) { return std::memcmp(&a, &b, sizeof a) == 0; }

TEST(CapturePass, BlueBytesIntoThePlaneAndTheField) {
    std::mt19937 rng(5);
    TBitmap source = picture();
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 768; ++x)
            source.ScanLine(y)[x] = static_cast<std::uint8_t>(rng());
    Matrix<std::int32_t> want_plane;
    Matrix<double> want_re;
    capture_blue(source, want_plane.get());
    fill_field(want_plane.get(), want_re.get());
    for (const PassSet* set : pass_sets()) {
        SCOPED_TRACE(set->name);
        Matrix<std::int32_t> plane;
        Matrix<double> re;
        const auto rows = rows_of(source);
        set->capture({rows.data(), plane.get(), re.get()});
        EXPECT_TRUE(plane.rows_storage == want_plane.rows_storage);
        EXPECT_TRUE(re.rows_storage == want_re.rows_storage);
    }
}

// The spectrum pass over a field whose every element is given: ordinary values, and in chosen
// places the values that make the steps stop or take the long way round.
struct SpectrumCase {
    const char* name;
    std::vector<std::pair<int, int>> where;  // elements that get the value
    double re, im;
    int band_gain;  // the gain (percent) of every band
    Findings expected;
};

TEST(SpectrumPass, EqualsTheStepsElementByElement) {
    const double inf = std::numeric_limits<double>::infinity();
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const SpectrumCase cases[] = {
        {"ordinary values", {}, 0, 0, 137, {}},
        {"colours beyond 32 bits, within 64", {{0, 7}, {200, 255}, {255, 0}}, 3e6, -2e6, 100, {}},
        {"a NaN", {{131, 64}}, nan, 1, 100, {false, false, true}},
        {"an infinity", {{9, 250}}, 1, -inf, 100, {false, false, true}},
        {"a colour beyond 64 bits", {{128, 128}}, 1e17, 0, 100, {false, false, true}},
        {"an overflow in a gain", {{77, 3}}, 1e308, 0, 200, {false, true, true}},
        {"zero gain times infinity", {{40, 40}}, inf, 0, 0, {true, false, true}},
        {"zero and tiny gains times large values", {{40, 40}, {40, 41}}, 1e20, -1e20, 0, {}},
    };
    std::vector<std::uint16_t> bins(256 * 256);
    for (int i = 0; i < 256; ++i)
        for (int j = 0; j < 256; ++j)
            bins[i * 256 + j] = static_cast<std::uint16_t>((i * 7 + j * 3) % 400);
    Matrix<std::int32_t> bands;
    for (int i = 0; i < 256; ++i)
        for (int j = 0; j < 256; ++j)
            bands.at(i, j) = (i + 2 * j) % band_count;

    for (const SpectrumCase& c : cases) {
        SCOPED_TRACE(c.name);
        std::mt19937 rng(17);
        std::uniform_real_distribution<double> value(-40.0, 40.0);
        Matrix<double> in_re, in_im;
        for (int i = 0; i < 256; ++i)
            for (int j = 0; j < 256; ++j) {
                in_re.at(i, j) = value(rng);
                in_im.at(i, j) = value(rng);
            }
        for (auto [i, j] : c.where) {
            in_re.at(i, j) = c.re;
            in_im.at(i, j) = c.im;
        }
        double factors[band_count];
        for (int b = 0; b < band_count; ++b)
            factors[b] = band_factor(c.band_gain + b % 3);  // not all bands alike

        // The steps: the gains, then the colour picture, and each element's share of the
        // profile in these bins.
        Matrix<double> want_re = in_re, want_im = in_im;
        for (int i = 0; i < 256; ++i)
            for (int j = 0; j < 256; ++j) {
                want_re.at(i, j) = factors[bands.at(i, j)] * in_re.at(i, j);
                want_im.at(i, j) = factors[bands.at(i, j)] * in_im.at(i, j);
            }
        const bool stops =
            c.expected.gains_invalid || c.expected.gains_overflow || c.expected.colour_invalid;
        TBitmap want_picture = picture();
        std::vector<double> want_profile(400, 0.0);
        std::vector<double> want_magnitudes(256 * 256);
        if (!stops) {
            spectrum_pixels(want_re.get(), want_im.get(), want_picture);
            for (int i = 0; i < 256; ++i)
                for (int j = 0; j < 256; ++j) {
                    const double r = want_re.at(i, j), m = want_im.at(i, j);
                    want_magnitudes[i * 256 + j] = std::sqrt(r * r + m * m);
                    want_profile[bins[i * 256 + j]] += want_magnitudes[i * 256 + j];
                }
        }

        for (const PassSet* set : pass_sets()) {
            SCOPED_TRACE(set->name);
            Matrix<double> re = in_re, im = in_im;
            TBitmap got_picture = picture();
            const auto rows = rows_of(got_picture);
            std::vector<double> profile(400, 0.0);
            struct alignas(64) Magnitudes {
                double at[256 * 256];
            };
            const auto magnitudes = std::make_unique<Magnitudes>();
            const Findings f = set->spectrum({factors, bands.get(), bins.data(), re.get(), im.get(),
                                              rows.data(), profile.data(), magnitudes->at});
            EXPECT_EQ(f.gains_invalid, c.expected.gains_invalid);
            EXPECT_EQ(f.gains_overflow, c.expected.gains_overflow);
            EXPECT_EQ(f.colour_invalid, c.expected.colour_invalid);
            for (int i = 0; i < 256; ++i)
                for (int j = 0; j < 256; ++j) {
                    ASSERT_TRUE(same_bits(re.at(i, j), want_re.at(i, j))) << i << "," << j;
                    ASSERT_TRUE(same_bits(im.at(i, j), want_im.at(i, j))) << i << "," << j;
                }
            if (stops)
                continue;  // the picture and the profile are then not kept
            for (int y = 0; y < 256; ++y)
                ASSERT_EQ(std::memcmp(got_picture.ScanLine(y), want_picture.ScanLine(y), 768), 0)
                    << y;
            for (int k = 0; k < 400; ++k)
                ASSERT_TRUE(same_bits(profile[k], want_profile[k])) << k;
            for (int at = 0; at < 256 * 256; ++at)
                ASSERT_TRUE(same_bits(magnitudes->at[at], want_magnitudes[at])) << at;
        }
    }
}

TEST(OutputPass, EqualsTheStepsAndStopsWhereTheyStop) {
    const double nan = std::numeric_limits<double>::quiet_NaN();
    struct Case {
        const char* name;
        int i, j;  // -1: no special element
        double value;
        bool stops;
    };
    const Case cases[] = {
        {"ordinary values", -1, -1, 0, false},
        {"a level beyond 32 bits, within 64", 12, 250, -3e7, false},
        {"a NaN", 37, 101, nan, true},
        {"a level beyond 64 bits", 0, 255, 1e17, true},
        {"a NaN in the last element", 255, 255, nan, true},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        std::mt19937 rng(3);
        std::uniform_real_distribution<double> value(-1.2, 1.0);
        Matrix<double> re;
        Matrix<std::int32_t> start;
        for (int i = 0; i < 256; ++i)
            for (int j = 0; j < 256; ++j) {
                re.at(i, j) = value(rng);
                start.at(i, j) = static_cast<std::int32_t>(rng() % 256);
            }
        if (c.i >= 0)
            re.at(c.i, c.j) = c.value;

        Matrix<std::int32_t> want_plane = start;
        bool want_stop = false;
        try {
            output_intensities(re.get(), want_plane.get());
        } catch (const MathError& e) {
            EXPECT_EQ(e.kind(), MathError::Kind::InvalidOp);
            want_stop = true;
        }
        ASSERT_EQ(want_stop, c.stops);
        TBitmap want_picture = picture();
        if (!want_stop)
            output_pixels(want_plane.get(), want_picture);

        for (const PassSet* set : pass_sets()) {
            SCOPED_TRACE(set->name);
            Matrix<std::int32_t> plane = start;
            TBitmap got_picture = picture();
            const auto rows = rows_of(got_picture);
            bool stopped = false;
            try {
                set->output({re.get(), plane.get(), rows.data()});
            } catch (const MathError& e) {
                EXPECT_EQ(e.kind(), MathError::Kind::InvalidOp);
                stopped = true;
            }
            EXPECT_EQ(stopped, want_stop);
            EXPECT_TRUE(plane.rows_storage == want_plane.rows_storage)
                << "the levels written before the stop";
            if (!want_stop) {
                for (int y = 0; y < 256; ++y)
                    ASSERT_EQ(std::memcmp(got_picture.ScanLine(y), want_picture.ScanLine(y), 768),
                              0)
                        << y;
            }
        }
    }
}

}  // namespace
