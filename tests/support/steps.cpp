#include "steps.h"

#include <cmath>

#include "fft.h"
#include "numeric.h"
#include "state.h"

namespace {

double magnitude(double re, double im) { return std::sqrt(re * re + im * im); }

std::uint8_t low_byte(std::int32_t v) { return static_cast<std::uint8_t>(v & 0xFF); }

}  // namespace

void capture_blue(const TBitmap& source, IntMatrix plane) {
    for (int y = 0; y < image_size; ++y) {
        const std::uint8_t* row = source.ScanLine(y);
        for (int x = 0; x < image_size; ++x)
            plane[x][y] = row[3 * x];
    }
}

void fill_field(IntMatrix plane, RealMatrix re) {
    for (int i = 0; i < image_size; ++i)
        for (int j = 0; j < image_size; ++j)
            re[i][j] = static_cast<double>(plane[i][j]);
}

void spectrum_pixels(RealMatrix re, RealMatrix im, TBitmap& picture) {
    for (int y = 0; y < image_size; ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < image_size; ++x) {
            const double m = magnitude(re[x][y], im[x][y]);
            row[3 * x + 0] = low_byte(to_int(m * 1000));
            row[3 * x + 1] = low_byte(to_int(m * 100));
            row[3 * x + 2] = low_byte(to_int(m * 10));
        }
    }
}

void compute_radial_profile(RealMatrix re, RealMatrix im, double profile[radial_bins]) {
    for (int k = 0; k < radial_bins; ++k)
        profile[k] = 0;
    for (int i = 0; i < image_size; ++i)
        for (int j = 0; j < image_size; ++j) {
            const double d = std::sqrt((i - 127.5) * (i - 127.5) + (j - 127.5) * (j - 127.5));
            profile[to_int(d)] += magnitude(re[i][j], im[i][j]);
        }
}

void output_intensities(RealMatrix re, IntMatrix plane) {
    for (int i = 0; i < image_size; ++i)
        for (int j = 0; j < image_size; ++j) {
            const double v = 255 * re[i][j];
            plane[i][j] = to_int(std::fabs(v));
        }
}

void output_pixels(IntMatrix plane, TBitmap& picture) {
    const int last = image_size - 1;
    for (int y = 0; y < image_size; ++y) {
        std::uint8_t* row = picture.ScanLine(y);
        for (int x = 0; x < image_size; ++x) {
            const std::uint8_t v = low_byte(plane[last - x][last - y]);
            row[3 * x + 0] = v;
            row[3 * x + 1] = v;
            row[3 * x + 2] = v;
        }
    }
}

void run_step_by_step(TBitmap& source, const BandGains& gains, TCanvas& spectrum_canvas,
                      TCanvas& output_canvas) {
    source.SetPixelFormat(TPixelFormat::pf24bit);
    source.SetSize(image_size, image_size);
    capture_blue(source, blue_plane);
    fill_field(blue_plane, field_re);
    clear_fp_flags();
    fft2d_centred(&field_re, &field_im);
    scale_by_bands(gains, field_re, field_im);
    raise_fp_flags();
    TBitmap work;
    work.SetPixelFormat(TPixelFormat::pf24bit);
    work.SetSize(image_size, image_size);
    clear_fp_flags();
    spectrum_pixels(field_re, field_im, work);
    raise_fp_flags();
    draw_spectrum(work, spectrum_canvas);
    clear_fp_flags();
    compute_radial_profile(field_re, field_im, radial_profile);
    draw_radial_profile(spectrum_canvas);
    clear_fp_flags();
    fft2d_centred(&field_re, &field_im);
    raise_fp_flags();
    normalise_field(field_re);
    raise_fp_flags();
    output_intensities(field_re, blue_plane);
    raise_fp_flags();
    output_pixels(blue_plane, work);
    output_canvas.Draw(0, 0, work);
}
