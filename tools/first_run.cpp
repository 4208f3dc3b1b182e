#include "first_run.h"

#include "engine.h"
#include "fit.h"
#include "numeric.h"
#include "picture_io.h"
#include "state.h"
#include "working_state.h"

namespace {

// What TImage::Canvas makes of an empty picture on a 256 x 256 control.
TBitmap empty_image_picture() {
    TBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    bitmap.SetSize(image_size, image_size);
    return bitmap;
}

// The band energies on either side of the gains.
class EnergyMeter : public SpectrumObserver {
public:
    explicit EnergyMeter(BandEnergies& energies) : energies_(energies) {}
    void before_gains(RealMatrix re, RealMatrix im) override {
        energies_.before = band_energies(re, im);
    }
    void after_gains(RealMatrix re, RealMatrix im) override {
        energies_.after = band_energies(re, im);
    }

private:
    BandEnergies& energies_;
};

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
    BandEnergies& energies = result.energies;
    energies.elements = band_element_counts();
    EnergyMeter meter(energies);
    compute_pictures(result.source, gains_from_positions(positions),
                     {*result.spectrum.Canvas(), *result.output.Canvas()}, &meter);
    // The blue bytes the run read, from the source as it converted it.
    for (int y = 0; y < image_size; ++y) {
        const std::uint8_t* row = result.source.ScanLine(y);
        for (int x = 0; x < image_size; ++x)
            energies.source_square_sum += std::int64_t{row[3 * x]} * row[3 * x];
    }
    return result;
}
