#include "run.h"

#include <cmath>
#include <emmintrin.h>
#include <memory>

#include "fft.h"
#include "numeric.h"
#include "state.h"

IntMatrix blue_plane = nullptr;
double radial_profile[radial_bins];

namespace {

inline double magnitude(double re, double im) { return std::sqrt(re * re + im * im); }

inline std::uint8_t low_byte(std::int32_t v) { return static_cast<std::uint8_t>(v & 0xFF); }

// Whole-pixel distance of [i][j] from (127.5, 127.5). It depends only on the position, so it is
// computed once.
const std::array<std::array<std::int32_t, 256>, 256>& profile_bins() {
    static const auto bins = [] {
        std::array<std::array<std::int32_t, 256>, 256> b{};
        for (int i = 0; i < 256; ++i)
            for (int j = 0; j < 256; ++j) {
                const double di = i - 127.5;
                const double dj = j - 127.5;
                b[i][j] = to_int(std::sqrt(di * di + dj * dj));
            }
        return b;
    }();
    return bins;
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
    const auto& bins = profile_bins();
    for (int k = 0; k < radial_bins; ++k)
        profile[k] = 0;
    for (int i = 0; i < 256; ++i)
        for (int j = 0; j < 256; ++j)
            profile[bins[i][j]] += magnitude(re[i][j], im[i][j]);
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

// The spectrum picture and the radial profile in one pass over the field, i outer and j inner,
// so that each magnitude is formed once and the profile sums in its defined order. The picture's
// bytes do not depend on the order in which they are written.
void spectrum_and_profile(RealMatrix re, RealMatrix im, TBitmap& picture,
                          double profile[radial_bins]) {
    const auto& bins = profile_bins();
    for (int k = 0; k < radial_bins; ++k)
        profile[k] = 0;
    std::uint8_t* rows[256];
    for (int y = 0; y < 256; ++y)
        rows[y] = picture.ScanLine(y);
    for (int i = 0; i < 256; ++i) {
        const double* r = re[i];
        const double* m = im[i];
        const std::int32_t* bin = bins[i].data();
        // Two magnitudes at a time: the same products, sum and correctly rounded root per element,
        // and the three scaled truncations; a pair outside 32 bits (or NaN) takes to_int itself.
        alignas(16) double mags[256];
        alignas(16) std::int32_t level[3][256];
        const __m128d limit = _mm_set1_pd(2147483648.0);
        for (int j = 0; j < 256; j += 2) {
            const __m128d a = _mm_loadu_pd(r + j);
            const __m128d b = _mm_loadu_pd(m + j);
            const __m128d sum = _mm_add_pd(_mm_mul_pd(a, a), _mm_mul_pd(b, b));
            const __m128d mag = _mm_sqrt_pd(sum);
            _mm_store_pd(mags + j, mag);
            const __m128d scaled[3] = {_mm_mul_pd(mag, _mm_set1_pd(1000)),
                                       _mm_mul_pd(mag, _mm_set1_pd(100)),
                                       _mm_mul_pd(mag, _mm_set1_pd(10))};
            for (int c = 0; c < 3; ++c) {
                if (_mm_movemask_pd(_mm_cmplt_pd(scaled[c], limit)) == 3) {
                    const __m128i t = _mm_cvttpd_epi32(scaled[c]);
                    level[c][j] = _mm_cvtsi128_si32(t);
                    level[c][j + 1] = _mm_cvtsi128_si32(_mm_shuffle_epi32(t, 1));
                } else {
                    alignas(16) double v[2];
                    _mm_store_pd(v, scaled[c]);
                    level[c][j] = to_int(v[0]);
                    level[c][j + 1] = to_int(v[1]);
                }
            }
        }
        for (int j = 0; j < 256; ++j) {
            const double mag = mags[j];
            profile[bin[j]] += mag;
            std::uint8_t* px = rows[j] + 3 * i;
            px[0] = low_byte(level[0][j]);
            px[1] = low_byte(level[1][j]);
            px[2] = low_byte(level[2][j]);
        }
    }
}

// Output intensities and the output picture together: [i][j] lands on pixel (255 - i, 255 - j).
void output_levels_and_pixels(RealMatrix re, IntMatrix plane, TBitmap& picture) {
    std::uint8_t* rows[256];
    for (int y = 0; y < 256; ++y)
        rows[y] = picture.ScanLine(y);
    for (int i = 0; i < 256; ++i) {
        const double* r = re[i];
        std::int32_t* level = plane[i];
        for (int j = 0; j < 256; ++j) {
            const double v = 255 * r[j];
            level[j] = to_int(std::fabs(v));
            const std::uint8_t b = low_byte(level[j]);
            std::uint8_t* px = rows[255 - j] + 3 * (255 - i);
            px[0] = b;
            px[1] = b;
            px[2] = b;
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

void filter_run(const FilterSurfaces& s) {
    TBitmap& source = *s.source;
    source.SetPixelFormat(TPixelFormat::pf24bit);
    source.SetWidth(256);
    source.SetHeight(256);
    capture_blue(source, blue_plane);
    fill_field(blue_plane, field_re);

    clear_fp_flags();
    fft2d_centred(&field_re, &field_im);
    s.apply_gains();
    raise_fp_flags();

    const std::unique_ptr<TBitmap> work_bitmap = new_work_bitmap();
    TCanvas& spectrum = *s.spectrum_canvas();
    // Steps 7 and 8: the same pictures as draw_spectrum then draw_radial_profile.
    clear_fp_flags();
    spectrum_and_profile(field_re, field_im, *work_bitmap, radial_profile);
    raise_fp_flags();
    spectrum.Draw(0, 0, *work_bitmap);
    draw_profile_curve(spectrum);

    clear_fp_flags();
    fft2d_centred(&field_re, &field_im);
    raise_fp_flags();
    normalise_field(field_re);
    raise_fp_flags();
    output_levels_and_pixels(field_re, blue_plane, *work_bitmap);
    raise_fp_flags();
    s.output_canvas()->Draw(0, 0, *work_bitmap);
}
