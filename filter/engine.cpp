#include "run.h"

#include <algorithm>
#include <cfenv>
#include <cmath>
#include <memory>

#include "fft.h"
#include "numeric.h"
#include "passes.h"
#include "state.h"

IntMatrix blue_plane = nullptr;
double radial_profile[radial_bins];

namespace {

inline double magnitude(double re, double im) { return std::sqrt(re * re + im * im); }

inline std::uint8_t low_byte(std::int32_t v) { return static_cast<std::uint8_t>(v & 0xFF); }

// Whole-pixel distance of [i][j] from (127.5, 127.5), [i * 256 + j]. It depends only on the
// position, so it is computed once.
const std::uint16_t* profile_bins() {
    static const auto bins = [] {
        std::array<std::uint16_t, 256 * 256> b{};
        for (int i = 0; i < 256; ++i)
            for (int j = 0; j < 256; ++j) {
                const double di = i - 127.5;
                const double dj = j - 127.5;
                b[i * 256 + j] = static_cast<std::uint16_t>(to_int(std::sqrt(di * di + dj * dj)));
            }
        return b;
    }();
    return bins.data();
}

std::unique_ptr<TBitmap> new_work_bitmap() {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(TPixelFormat::pf24bit);
    bitmap->SetWidth(256);
    bitmap->SetHeight(256);
    return bitmap;
}

}  // namespace

void capture_blue(const TBitmap& source, IntMatrix plane) {
    for (int y = 0; y < 256; ++y) {
        const std::uint8_t* row = source.ScanLine(y);
        for (int x = 0; x < 256; ++x)
            plane[x][y] = row[3 * x];
    }
}

void fill_field(IntMatrix plane, RealMatrix re) {
    for (int i = 0; i < image_size; ++i)
        for (int j = 0; j < image_size; ++j)
            re[i][j] = static_cast<double>(plane[i][j]);
}

void spectrum_pixels(RealMatrix re, RealMatrix im, TBitmap& picture) {
    for (int y = 0; y < 256; ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < 256; ++x) {
            const double m = magnitude(re[x][y], im[x][y]);
            row[3 * x + 0] = low_byte(to_int(m * 1000));
            row[3 * x + 1] = low_byte(to_int(m * 100));
            row[3 * x + 2] = low_byte(to_int(m * 10));
        }
    }
}

void compute_radial_profile(RealMatrix re, RealMatrix im, double profile[radial_bins]) {
    const std::uint16_t* bins = profile_bins();
    for (int k = 0; k < radial_bins; ++k)
        profile[k] = 0;
    for (int i = 0; i < 256; ++i)
        for (int j = 0; j < 256; ++j)
            profile[bins[i * 256 + j]] += magnitude(re[i][j], im[i][j]);
}

TPoint profile_point(const double profile[radial_bins], int k) {
    return {2 * k, to_int(256 - profile[k])};
}

void normalise_field(RealMatrix re) {
    const double m = max_of_matrix(image_size, image_size, re);
    if (m == 0)
        throw MathError(MathError::Kind::ZeroDivide);
    const double factor = 1 / m;
    scale_matrix(factor, image_size, image_size, &re);
}

void output_intensities(RealMatrix re, IntMatrix plane) {
    for (int i = 0; i < image_size; ++i)
        for (int j = 0; j < image_size; ++j) {
            const double v = 255 * re[i][j];
            plane[i][j] = to_int(std::fabs(v));
        }
}

void output_pixels(IntMatrix plane, TBitmap& picture) {
    for (int y = 0; y < 256; ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < 256; ++x) {
            const std::uint8_t v = low_byte(plane[255 - x][255 - y]);
            row[3 * x + 0] = v;
            row[3 * x + 1] = v;
            row[3 * x + 2] = v;
        }
    }
}

void draw_spectrum(TBitmap& work_bitmap, TCanvas& spectrum_canvas) {
    clear_fp_flags();
    spectrum_pixels(field_re, field_im, work_bitmap);
    raise_fp_flags();
    spectrum_canvas.Draw(0, 0, work_bitmap);
}

namespace {

void draw_profile_curve(TCanvas& spectrum_canvas) {
    TPoint points[radial_bins];
    for (int k = 0; k < radial_bins; ++k)
        points[k] = profile_point(radial_profile, k);
    raise_fp_flags();
    spectrum_canvas.Pen()->SetColor(clRed);
    spectrum_canvas.MoveTo(points[0].X, points[0].Y);
    for (int k = 1; k < radial_bins; ++k)
        spectrum_canvas.LineTo(points[k].X, points[k].Y);
}

}  // namespace

void draw_radial_profile(TCanvas& spectrum_canvas) {
    clear_fp_flags();
    compute_radial_profile(field_re, field_im, radial_profile);
    draw_profile_curve(spectrum_canvas);
}

namespace {

const filter_detail::PassSet& chosen_passes() {
#if defined(__x86_64__) || defined(_M_X64)
    if (fft_kernel() == FftKernel::Avx512)
        return filter_detail::avx512_passes();
#endif
    return filter_detail::portable_passes();
}

void rows_of(TBitmap& picture, std::uint8_t* rows[256]) {
    for (int y = 0; y < 256; ++y)
        rows[y] = picture.ScanLine(y);
}

}  // namespace

const char* filter_pass_name() { return chosen_passes().name; }

void filter_run(const FilterSurfaces& s) {
    using namespace filter_detail;
    const PassSet& passes = chosen_passes();
    TBitmap& source = *s.source;
    source.SetPixelFormat(TPixelFormat::pf24bit);
    source.SetWidth(256);
    source.SetHeight(256);
    std::uint8_t* rows[256];
    rows_of(source, rows);
    passes.capture({rows, blue_plane, field_re});

    // The gains: multiplied in the spectrum pass, or by the caller's step, whose flags stand
    // alone then. Unit factors leave every element as it is (1 * x is x).
    BandGains factors;
    factors.fill(1.0);
    clear_fp_flags();
    fft2d_centred(&field_re, &field_im);
    if (s.band_gains) {
        const BandGains gains = s.band_gains();
        // A flag that the transform left stands before any gain is multiplied: the plain
        // step then reports it exactly as the run one step at a time does.
        if (std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW)) {
            scale_by_bands(gains, field_re, field_im);
            raise_fp_flags();
        }
        for (int k = 0; k < band_count; ++k)
            factors[k] = band_factor(gains[k]);
    } else {
        s.apply_gains();
        raise_fp_flags();
    }

    const std::unique_ptr<TBitmap> work_bitmap = new_work_bitmap();
    TCanvas& spectrum = *s.spectrum_canvas();
    // Steps 7 and 8: the same pictures as draw_spectrum then draw_radial_profile. The profile
    // is summed aside and kept only once the spectrum stands, as the steps leave it.
    double profile[radial_bins] = {};
    rows_of(*work_bitmap, rows);
    const Findings found = passes.spectrum(
        {factors.data(), band_map, profile_bins(), field_re, field_im, rows, profile});
    // What the steps would have stopped at, in their order: the gains' flags (an invalid
    // operation before an overflow), then the conversion of a colour.
    if (found.gains_invalid)
        throw MathError(MathError::Kind::InvalidOp);
    if (found.gains_overflow)
        throw MathError(MathError::Kind::Overflow);
    if (found.colour_invalid)
        throw MathError(MathError::Kind::InvalidOp);
    std::copy(profile, profile + radial_bins, radial_profile);
    clear_fp_flags();
    spectrum.Draw(0, 0, *work_bitmap);
    draw_profile_curve(spectrum);

    clear_fp_flags();
    fft2d_centred(&field_re, &field_im);
    raise_fp_flags();
    normalise_field(field_re);
    raise_fp_flags();
    rows_of(*work_bitmap, rows);
    passes.output({field_re, blue_plane, rows});
    raise_fp_flags();
    s.output_canvas()->Draw(0, 0, *work_bitmap);
}
