#include "engine.h"

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

alignas(64) double magnitudes[image_size * image_size];
bool magnitudes_drawn = false;

}  // namespace

namespace {

// Whole-pixel distance of [i][j] from (127.5, 127.5), [i * image_size + j]. It depends only on
// the position, so it is computed once.
const std::uint16_t* profile_bins() {
    static const auto bins = [] {
        std::array<std::uint16_t, image_size * image_size> b{};
        const double centre = (image_size - 1) / 2.0;
        for (int i = 0; i < image_size; ++i)
            for (int j = 0; j < image_size; ++j) {
                const double di = i - centre;
                const double dj = j - centre;
                b[i * image_size + j] =
                    static_cast<std::uint16_t>(to_int(std::sqrt(di * di + dj * dj)));
            }
        return b;
    }();
    return bins.data();
}

std::unique_ptr<TBitmap> new_work_bitmap() {
    auto bitmap = std::make_unique<TBitmap>();
    bitmap->SetPixelFormat(TPixelFormat::pf24bit);
    bitmap->SetWidth(image_size);
    bitmap->SetHeight(image_size);
    return bitmap;
}

const filter_detail::PassSet& chosen_passes() {
#if defined(__x86_64__) || defined(_M_X64)
    if (fft_kernel() == FftKernel::Avx512)
        return filter_detail::avx512_passes();
#endif
    return filter_detail::portable_passes();
}

void rows_of(TBitmap& picture, std::uint8_t* rows[image_size]) {
    for (int y = 0; y < image_size; ++y)
        rows[y] = picture.ScanLine(y);
}

// The vertex of bin k: two pixels across per bin, the sum measured up from the bottom edge.
TPoint profile_point(const double profile[radial_bins], int k) {
    return {2 * k, to_int(image_size - profile[k])};
}

// Calls the observer with the run's floating-point flags set aside, so that its own arithmetic
// never becomes an error of the run.
void observe(SpectrumObserver* observer, void (SpectrumObserver::*moment)(RealMatrix, RealMatrix)) {
    if (!observer)
        return;
    std::fexcept_t flags;
    std::fegetexceptflag(&flags, FE_ALL_EXCEPT);
    (observer->*moment)(field_re, field_im);
    std::fesetexceptflag(&flags, FE_ALL_EXCEPT);
}

}  // namespace

const char* filter_pass_name() { return chosen_passes().name; }

void apply_band_gains(const BandGains& gains, TBitmap& work_bitmap) {
    BandGains factors;
    for (int k = 0; k < band_count; ++k)
        factors[k] = band_factor(gains[k]);
    std::uint8_t* rows[image_size];
    rows_of(work_bitmap, rows);
    // Summed aside and kept only once the whole spectrum stands.
    double profile[radial_bins] = {};
    magnitudes_drawn = false;
    const filter_detail::Findings found = chosen_passes().spectrum(
        {factors.data(), band_map, profile_bins(), field_re, field_im, rows, profile, magnitudes});
    // Where the gains and then the colours one element at a time would have stopped: the gains'
    // flags first (an invalid operation before an overflow), then the conversion of a colour.
    if (found.gains_invalid)
        throw MathError(MathError::Kind::InvalidOp);
    if (found.gains_overflow)
        throw MathError(MathError::Kind::Overflow);
    if (found.colour_invalid)
        throw MathError(MathError::Kind::InvalidOp);
    std::copy(profile, profile + radial_bins, radial_profile);
    magnitudes_drawn = true;
}

const double* spectrum_magnitudes() { return magnitudes_drawn ? magnitudes : nullptr; }

void draw_spectrum(const TBitmap& work_bitmap, TCanvas& spectrum_canvas) {
    spectrum_canvas.Draw(0, 0, work_bitmap);
}

void draw_radial_profile(TCanvas& spectrum_canvas) {
    TPoint points[radial_bins];
    for (int k = 0; k < radial_bins; ++k)
        points[k] = profile_point(radial_profile, k);
    raise_fp_flags();
    spectrum_canvas.Pen()->SetColor(clRed);
    spectrum_canvas.MoveTo(points[0].X, points[0].Y);
    for (int k = 1; k < radial_bins; ++k)
        spectrum_canvas.LineTo(points[k].X, points[k].Y);
}

void normalise_field(RealMatrix re) {
    const double m = max_of_matrix(image_size, image_size, re);
    if (m == 0)
        throw MathError(MathError::Kind::ZeroDivide);
    const double factor = 1 / m;
    scale_matrix(factor, image_size, image_size, &re);
}

void compute_pictures(TBitmap& source, const BandGains& gains, const PictureTargets& targets,
                      SpectrumObserver* observer) {
    const filter_detail::PassSet& passes = chosen_passes();
    source.SetPixelFormat(TPixelFormat::pf24bit);
    source.SetWidth(image_size);
    source.SetHeight(image_size);
    std::uint8_t* rows[image_size];
    rows_of(source, rows);
    passes.capture({rows, blue_plane, field_re});

    clear_fp_flags();
    fft2d_centred(&field_re, &field_im);
    // A flag that the transform left stands before any gain is multiplied: the gains are then
    // applied as a step of their own, so that the error is the one that step reports.
    if (std::fetestexcept(FE_DIVBYZERO | FE_INVALID | FE_OVERFLOW)) {
        scale_by_bands(gains, field_re, field_im);
        raise_fp_flags();
    }
    observe(observer, &SpectrumObserver::before_gains);

    const std::unique_ptr<TBitmap> work_bitmap = new_work_bitmap();
    apply_band_gains(gains, *work_bitmap);
    observe(observer, &SpectrumObserver::after_gains);
    clear_fp_flags();
    draw_spectrum(*work_bitmap, targets.spectrum);
    draw_radial_profile(targets.spectrum);

    clear_fp_flags();
    fft2d_centred(&field_re, &field_im);
    raise_fp_flags();
    observe(observer, &SpectrumObserver::after_back_transform);
    normalise_field(field_re);
    raise_fp_flags();
    rows_of(*work_bitmap, rows);
    passes.output({field_re, blue_plane, rows});
    raise_fp_flags();
    targets.output.Draw(0, 0, *work_bitmap);
}
