#include "first_run.h"

#include <string>

#include "buffers.h"
#include "exceptions.h"
#include "numeric.h"
#include "picture_io.h"
#include "run.h"
#include "state.h"
#include "tables.h"
#include "working_state.h"

namespace {

// What TImage::Canvas makes of an empty picture on a 256 x 256 control.
TBitmap empty_image_picture() {
    TBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    bitmap.SetSize(image_size, image_size);
    return bitmap;
}

}  // namespace

TBitmap sample_picture(Sample sample) {
    const std::vector<std::uint8_t> bmp = sample_bmp(sample);
    TBitmap bitmap;
    bitmap.LoadFromBmp(bmp.data(), bmp.size());
    return bitmap;
}

TBitmap input_picture(const std::string& path, bool fit) {
    TBitmap picture = read_picture_file(path);
    if (fit)
        return grey_fitted(picture, image_size, image_size);
    return picture;
}

void start_engine() {
    release_working_state();
    // The window's allocation, then its start-up computations, in their order.
    allocate_working_state();
    build_sine_table(image_size, &sine_table);
    build_bit_reversal(image_size, &bit_reversal);
    build_band_map();
}

void clear_imaginary_field() {
    for (int i = 0; i < image_size; ++i)
        for (int j = 0; j < image_size; ++j)
            field_im[i][j] = 0.0;
}

std::array<double, band_count> band_energies(RealMatrix re, RealMatrix im) {
    std::array<double, band_count> energy{};
    for (int i = 0; i < image_size; ++i)
        for (int j = 0; j < image_size; ++j) {
            const double r = re[i][j];
            const double m = im[i][j];
            const double square = r * r + m * m;
            energy[band_map[i][j]] += square;
        }
    return energy;
}

FirstRun first_run(const TBitmap& source, const SliderPositions& positions) {
    start_engine();

    FirstRun result{source, empty_image_picture(), empty_image_picture(), {}};
    BandEnergies& e = result.energies;
    for (int i = 0; i < image_size; ++i)
        for (int j = 0; j < image_size; ++j)
            ++e.elements[band_map[i][j]];

    FilterSurfaces surfaces;
    surfaces.source = &result.source;
    // The window's gain step, the same positions read once, with the energies measured on
    // either side of it. When it runs, blue_plane still holds the blue bytes just read.
    surfaces.apply_gains = [&] {
        for (int i = 0; i < image_size; ++i)
            for (int j = 0; j < image_size; ++j)
                e.source_square_sum += std::int64_t{blue_plane[i][j]} * blue_plane[i][j];
        e.before = band_energies(field_re, field_im);
        scale_by_bands(gains_from_positions(positions), field_re, field_im);
        e.after = band_energies(field_re, field_im);
    };
    surfaces.spectrum_canvas = [&] { return result.spectrum.Canvas(); };
    surfaces.output_canvas = [&] { return result.output.Canvas(); };
    filter_run(surfaces);
    return result;
}
