// Filter runs over plain buffers and stand-alone bitmaps, without a window.

#include <gtest/gtest.h>

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <cstring>
#include <functional>
#include <limits>
#include <optional>
#include <random>
#include <string>
#include <vector>

#include "band.h"
#include "engine.h"
#include "engine_fixture.h"
#include "fft.h"
#include "numeric.h"
#include "picture_bytes.h"
#include "reference_run.h"
#include "samples.h"
#include "state.h"
#include "steps.h"
#include "working_state.h"

namespace {

// A source, the two pictures a run draws into, the sliders, and an observer that only looks.
struct Surfaces {
    TBitmap source, spectrum, output;
    SliderPositions positions = start_positions();
    SpectrumObserver* observer = nullptr;
    Surfaces() {
        spectrum.SetSize(256, 256);
        output.SetSize(256, 256);
    }
    void run() {
        compute_pictures(source, gains_from_positions(positions),
                         {*spectrum.Canvas(), *output.Canvas()}, observer);
    }
    void fill(const std::function<int(int x, int y)>& level) {
        source.SetPixelFormat(TPixelFormat::pf24bit);
        source.SetSize(256, 256);
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                for (int c = 0; c < 3; ++c)
                    source.ScanLine(y)[3 * x + c] = static_cast<std::uint8_t>(level(x, y));
    }
};

class FilterRun : public ::testing::Test {
protected:
    static void SetUpTestSuite() { start_engine_quietly(); }
    static void TearDownTestSuite() { release_working_state(); }
    void SetUp() override { clear_im(); }
    static void clear_im() {
        for (int i = 0; i < 256; ++i)
            for (int j = 0; j < 256; ++j)
                field_im[i][j] = 0;
    }
};

TEST_F(FilterRun, ConstantPictureOfOneHundred) {
    Surfaces s;
    s.fill([](int, int) { return 100; });
    s.run();
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const std::uint8_t* p = s.spectrum.ScanLine(y) + 3 * x;
            if (x == 128 && y == 128) {
                EXPECT_EQ(p[0], 160);
                EXPECT_EQ(p[1], 16);
                EXPECT_EQ(p[2], 232);
            } else if (!(p[2] == 255 && p[0] == 0 && p[1] == 0)) {  // red curve pixels aside
                ASSERT_EQ(p[0] | p[1] | p[2], 0) << x << "," << y;
            }
        }
    EXPECT_EQ(radial_profile[0], 100);
    // The curve starts at (0, 156) and drops to the bottom edge at x = 2.
    EXPECT_EQ(s.spectrum.ScanLine(156)[2], 255);
    EXPECT_EQ(s.spectrum.ScanLine(255)[3 * 2 + 2], 255);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const int v = s.output.ScanLine(y)[3 * x];
            ASSERT_TRUE(v == 255 || v == 254) << v;
        }
}

TEST_F(FilterRun, AllAtOneHundredShowsTheSourceShiftedByOnePixel) {
    for (Sample sample : {Sample::Wave, Sample::Circles1, Sample::Jupiter}) {
        SCOPED_TRACE(sample_caption(sample));
        clear_im();
        Surfaces s;
        const auto bmp = sample_bmp(sample);
        s.source.LoadFromBmp(bmp.data(), bmp.size());
        s.source.SetPixelFormat(TPixelFormat::pf24bit);
        const auto blue = blue_bytes(s.source);
        const int top = *std::max_element(blue.begin(), blue.end());
        s.run();
        int one_lower = 0;
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                const int src = blue[((y + 1) % 256) * 256 + (x + 1) % 256];
                const int expected = src * 255 / top;
                const int got = s.output.ScanLine(y)[3 * x];
                ASSERT_TRUE(got == expected || got == expected - 1) << x << "," << y;
                one_lower += got != expected;
            }
        EXPECT_LT(one_lower, 256 * 256 / 4);
    }
}

TEST_F(FilterRun, WithoutBandZeroTheOutputFieldHasMeanZero) {
    Surfaces s;
    const auto bmp = sample_bmp(Sample::Circles2);
    s.source.LoadFromBmp(bmp.data(), bmp.size());
    s.positions[0] = 200;
    s.run();
    double sum = 0, largest = 0;
    for (int i = 0; i < 256; ++i)
        for (int j = 0; j < 256; ++j) {
            sum += field_re[i][j];
            largest = std::max(largest, std::fabs(field_re[i][j]));
        }
    EXPECT_NEAR(sum / 65536, 0.0, 1e-12 * largest);
    EXPECT_EQ(s.spectrum.ScanLine(128)[3 * 128], 0) << "band 0 shows black";
}

TEST_F(FilterRun, ZeroMaximumStopsBeforeTheOutputAndReleasesTheWorkBitmap) {
    Surfaces s;
    s.fill([](int x, int y) { return (x * 7 + y) % 256; });
    s.output.Canvas()->Pen()->SetColor(clWhite);
    s.output.Canvas()->MoveTo(0, 3);
    s.output.Canvas()->LineTo(256, 3);
    const auto before = bitmap_bytes(s.output);
    s.positions.fill(200);
    const long bitmaps = TBitmap::Instances();
    try {
        s.run();
        FAIL() << "the run should stop";
    } catch (const MathError& e) {
        EXPECT_EQ(e.kind(), MathError::Kind::ZeroDivide);
        EXPECT_STREQ(e.what(), "0 による浮動小数点数除算");
    }
    EXPECT_EQ(TBitmap::Instances(), bitmaps);
    EXPECT_EQ(bitmap_bytes(s.output), before) << "the output keeps the last picture";
    for (std::uint8_t b : bitmap_bytes(s.spectrum))
        ASSERT_EQ(b, 0);
}

TEST_F(FilterRun, SourceIsConvertedInPlace) {
    Surfaces s;
    const auto bmp = sample_bmp(Sample::Saturn);
    s.source.LoadFromBmp(bmp.data(), bmp.size());
    ASSERT_EQ(s.source.PixelFormat(), TPixelFormat::pf8bit);
    s.run();
    EXPECT_EQ(s.source.PixelFormat(), TPixelFormat::pf24bit);

    // Not 256 x 256: cut or padded with black at the bottom and right.
    Surfaces small;
    small.source.SetSize(10, 300);
    for (int y = 0; y < 300; ++y)
        for (int i = 0; i < 30; ++i)
            small.source.ScanLine(y)[i] = 200;
    small.run();
    EXPECT_EQ(small.source.Width(), 256);
    EXPECT_EQ(small.source.Height(), 256);
    EXPECT_EQ(small.source.ScanLine(255)[3 * 9], 200);
    EXPECT_EQ(small.source.ScanLine(255)[3 * 10], 0);
}

// An observer that copies the field at each moment and, to prove that the run's checks never
// see its arithmetic, leaves every floating-point flag raised behind it.
class FieldCopier : public SpectrumObserver {
public:
    std::vector<double> before_re, before_im, after_re, after_im, back_re;
    void before_gains(RealMatrix re, RealMatrix im) override { copy(re, im, before_re, before_im); }
    void after_gains(RealMatrix re, RealMatrix im) override { copy(re, im, after_re, after_im); }
    void after_back_transform(RealMatrix re, RealMatrix) override {
        std::vector<double> unused;
        copy(re, re, back_re, unused);
    }

private:
    static void copy(RealMatrix re, RealMatrix im, std::vector<double>& r, std::vector<double>& m) {
        r.clear();
        m.clear();
        for (int i = 0; i < 256; ++i) {
            r.insert(r.end(), re[i], re[i] + 256);
            m.insert(m.end(), im[i], im[i] + 256);
        }
        std::feraiseexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW);
    }
};

// Random sources and settings, in sequence so that field_im carries over: every picture and
// both field matrices equal the scalar reference bit for bit, with every kernel, and with an
// observer looking on or not.
TEST_F(FilterRun, EqualsTheScalarReferenceBitForBit) {
    const struct Round {
        std::optional<Sample> sample;  // none: a picture of random bytes
        bool every_gain_200;           // every slider at the top instead of random settings
    } rounds[] = {
        {Sample::Wave, false},    {Sample::Steps, false},   {Sample::Circles1, false},
        {Sample::Circles2, true}, {Sample::Jupiter, false}, {Sample::Saturn, false},
        {Sample::Moon, false},    {std::nullopt, false},    {std::nullopt, false},
        {std::nullopt, false},    {std::nullopt, false},    {std::nullopt, false},
    };
    for (FftKernel kernel : supported_kernels())
        for (bool observed : {false, true}) {
            const KernelChoice choice(kernel);
            SCOPED_TRACE(choice.label() + (observed ? ", observed" : ""));
            clear_im();
            ReferenceField reference;
            std::mt19937 rng(99);
            const int settings[] = {0, 5, 50, 95, 100, 105, 150, 195, 200};
            FieldCopier copier;
            Surfaces s;
            if (observed)
                s.observer = &copier;
            for (std::size_t n = 0; n < std::size(rounds); ++n) {
                const Round& r = rounds[n];
                SCOPED_TRACE(testing::Message()
                             << "round " << n << ", "
                             << (r.sample ? sample_caption(*r.sample) : "random picture"));
                if (r.sample) {
                    const auto bmp = sample_bmp(*r.sample);
                    s.source.LoadFromBmp(bmp.data(), bmp.size());
                } else {
                    s.fill([&](int, int) { return static_cast<int>(rng() % 256); });
                }
                // Drawn in every round, so that each round's settings stay what they were.
                for (int k = 0; k < 12; ++k)
                    s.positions[k] = settings[rng() % 9];
                if (r.every_gain_200)
                    s.positions.fill(0);
                s.source.SetPixelFormat(TPixelFormat::pf24bit);
                const ReferenceRun expected =
                    reference_run(blue_bytes(s.source), s.positions, reference);
                ASSERT_FALSE(expected.zero_maximum);
                ASSERT_NO_THROW(s.run());
                EXPECT_TRUE(bitmap_bytes(s.spectrum) == expected.spectrum);
                EXPECT_TRUE(bitmap_bytes(s.output) == expected.output);
                for (int i = 0; i < 256; ++i) {
                    ASSERT_EQ(
                        std::memcmp(field_re[i], reference.re[i].data(), 256 * sizeof(double)), 0)
                        << i;
                    ASSERT_EQ(
                        std::memcmp(field_im[i], reference.im[i].data(), 256 * sizeof(double)), 0)
                        << i;
                }
                for (int k = 0; k < 400; ++k)
                    ASSERT_EQ(radial_profile[k], expected.profile[k]) << k;
            }
        }
}

// What the observer sees: the spectrum before the gains, the same scaled by the band factors,
// and the back-transformed field that the normalisation then divides by its largest value.
TEST_F(FilterRun, TheObserverSeesTheFieldOnEitherSideOfTheGains) {
    Surfaces s;
    const auto bmp = sample_bmp(Sample::Moon);
    s.source.LoadFromBmp(bmp.data(), bmp.size());
    for (int k = 0; k < 12; ++k)
        s.positions[k] = 17 * k;
    FieldCopier copier;
    s.observer = &copier;
    s.run();
    const BandGains gains = gains_from_positions(s.positions);
    ASSERT_EQ(copier.before_re.size(), 65536u);
    for (int i = 0; i < 256; ++i)
        for (int j = 0; j < 256; ++j) {
            const double factor = band_factor(gains[band_map[i][j]]);
            const std::size_t at = i * 256 + j;
            ASSERT_EQ(copier.after_re[at], factor * copier.before_re[at]) << i << "," << j;
            ASSERT_EQ(copier.after_im[at], factor * copier.before_im[at]) << i << "," << j;
        }
    double blue_sum = 0;
    for (std::uint8_t b : blue_bytes(s.source))
        blue_sum += b;
    EXPECT_NEAR(copier.before_re[128 * 256 + 128], blue_sum / 65536, 1e-12)
        << "the zero frequency holds the mean of the blue bytes";
    const double largest = *std::max_element(copier.back_re.begin(), copier.back_re.end());
    for (int i = 0; i < 256; ++i)
        for (int j = 0; j < 256; ++j)
            ASSERT_EQ(field_re[i][j], (1 / largest) * copier.back_re[i * 256 + j]) << i << "," << j;
}

// The magnitudes the spectrum picture shows are kept for the pixel under the pointer; a run that
// stops while drawing the spectrum leaves none.
TEST_F(FilterRun, TheSpectrumMagnitudesAreThoseOfThePictureDrawn) {
    Surfaces s;
    const auto bmp = sample_bmp(Sample::Jupiter);
    s.source.LoadFromBmp(bmp.data(), bmp.size());
    s.positions[6] = 200;
    FieldCopier copier;
    s.observer = &copier;
    s.run();
    const double* magnitudes = spectrum_magnitudes();
    ASSERT_NE(magnitudes, nullptr);
    for (int at = 0; at < 65536; ++at) {
        const double r = copier.after_re[at], m = copier.after_im[at];
        ASSERT_EQ(magnitudes[at], std::sqrt(r * r + m * m)) << at;
    }
    EXPECT_EQ(magnitudes[128 * 256 + 128 + 20], 0.0) << "band 6 is removed";

    field_im[3][5] = std::numeric_limits<double>::quiet_NaN();
    EXPECT_THROW(s.run(), MathError);
    EXPECT_EQ(spectrum_magnitudes(), nullptr);
}

// Everything a run leaves behind, for comparing runs that stop with an error.
struct RunState {
    bool stopped = false;
    MathError::Kind kind{};
    std::vector<std::uint8_t> spectrum, output;
    std::vector<double> re, im, profile;
    std::vector<std::int32_t> plane;
    long bitmaps = 0;
};

RunState state_after(bool stopped, MathError::Kind kind, const Surfaces& s) {
    RunState st;
    st.stopped = stopped;
    st.kind = kind;
    st.spectrum = bitmap_bytes(s.spectrum);
    st.output = bitmap_bytes(s.output);
    for (int i = 0; i < 256; ++i) {
        st.re.insert(st.re.end(), field_re[i], field_re[i] + 256);
        st.im.insert(st.im.end(), field_im[i], field_im[i] + 256);
        st.plane.insert(st.plane.end(), blue_plane[i], blue_plane[i] + 256);
    }
    st.profile.assign(radial_profile, radial_profile + radial_bins);
    st.bitmaps = TBitmap::Instances();
    return st;
}

void steps_of(Surfaces& s) {
    run_step_by_step(s.source, gains_from_positions(s.positions), *s.spectrum.Canvas(),
                     *s.output.Canvas());
}

template <class Run>
RunState run_and_record(Surfaces& s, Run run) {
    try {
        run(s);
    } catch (const MathError& e) {
        return state_after(true, e.kind(), s);
    }
    return state_after(false, {}, s);
}

// Values that no picture gives, put into the carried imaginary field: a run that meets them
// stops with the error the steps one by one stop with, and leaves the pictures, the fields, the
// plane and the profile exactly as they leave them.
TEST_F(FilterRun, ARunThatStopsLeavesWhatTheStepsLeave) {
    struct Case {
        const char* name;
        std::function<void()> inject;
        int position;  // of every slider
    };
    const double nan = std::numeric_limits<double>::quiet_NaN();
    const double inf = std::numeric_limits<double>::infinity();
    const auto everywhere = [](double v) {
        for (int i = 0; i < 256; ++i)
            for (int j = 0; j < 256; ++j)
                field_im[i][j] = v;
    };
    const Case cases[] = {
        {"quiet NaN in one element", [&] { field_im[3][5] = nan; }, 100},
        {"infinity in one element", [&] { field_im[200][17] = inf; }, 100},
        {"minus infinity at the centre", [&] { field_im[128][128] = -inf; }, 100},
        {"minus infinity at the centre, every gain zero", [&] { field_im[128][128] = -inf; }, 200},
        {"largest double everywhere", [&] { everywhere(std::numeric_limits<double>::max()); }, 100},
        {"a mean too large for a colour", [&] { everywhere(1e17); }, 100},
        {"a mean whose colours leave 32 bits", [&] { everywhere(3e6); }, 100},
        {"every gain zero: no positive maximum", [&] { everywhere(0); }, 200},
    };
    for (FftKernel kernel : supported_kernels()) {
        const KernelChoice choice(kernel);
        for (const Case& c : cases) {
            SCOPED_TRACE(choice.label() + ", " + c.name);
            std::vector<RunState> states;
            for (int way = 0; way < 2; ++way) {
                clear_im();
                Surfaces s;
                s.fill([](int x, int y) { return (x * 3 + y * 5) % 256; });
                s.positions.fill(c.position);
                c.inject();
                const KernelChoice steps_kernel(way == 0 ? FftKernel::Plain : kernel);
                if (way == 0)
                    states.push_back(run_and_record(s, steps_of));
                else
                    states.push_back(run_and_record(s, [](Surfaces& x) { x.run(); }));
            }
            const RunState& want = states[0];
            const RunState& got = states[1];
            EXPECT_EQ(got.stopped, want.stopped);
            if (want.stopped && got.stopped) {
                EXPECT_EQ(static_cast<int>(got.kind), static_cast<int>(want.kind));
            }
            EXPECT_TRUE(got.spectrum == want.spectrum) << "spectrum picture";
            EXPECT_TRUE(got.output == want.output) << "output picture";
            EXPECT_EQ(std::memcmp(got.re.data(), want.re.data(), got.re.size() * sizeof(double)), 0)
                << "field_re";
            EXPECT_EQ(std::memcmp(got.im.data(), want.im.data(), got.im.size() * sizeof(double)), 0)
                << "field_im";
            EXPECT_TRUE(got.plane == want.plane) << "blue_plane";
            EXPECT_EQ(std::memcmp(got.profile.data(), want.profile.data(),
                                  got.profile.size() * sizeof(double)),
                      0)
                << "radial_profile";
            EXPECT_EQ(got.bitmaps, want.bitmaps);
        }
    }
}

TEST_F(FilterRun, OutputIsAlwaysGrey) {
    Surfaces s;
    s.fill([](int x, int y) { return (x ^ y) & 0xFF; });
    for (int k = 0; k < 12; ++k)
        s.positions[k] = k % 2 ? 0 : 150;
    s.run();
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x) {
            const std::uint8_t* p = s.output.ScanLine(y) + 3 * x;
            ASSERT_EQ(p[0], p[1]);
            ASSERT_EQ(p[1], p[2]);
        }
}

}  // namespace
