#include "first_run.h"

#include "engine.h"
#include "fit.h"
#include "numeric.h"
#include "picture_io.h"
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
        return fit_picture(picture, image_size);
    return picture;
}

FirstRun first_run(const TBitmap& source, const SliderPositions& positions) {
    start_engine();

    FirstRun result{source, empty_image_picture(), empty_image_picture(), {}};
    EnergyMeter meter(result.energies);
    compute_pictures(result.source, gains_from_positions(positions),
                     {*result.spectrum.Canvas(), *result.output.Canvas()}, &meter);
    meter.finish(result.source);
    return result;
}
