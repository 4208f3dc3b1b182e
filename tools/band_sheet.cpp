#include "band_sheet.h"

#include "engine.h"
#include "exceptions.h"
#include "numeric.h"
#include "working_state.h"

namespace {

TBitmap black_picture(int width, int height) {
    TBitmap picture;
    picture.SetPixelFormat(TPixelFormat::pf24bit);
    picture.SetSize(width, height);
    return picture;
}

// Keeps field_re as the back-transform leaves it, before the run normalises it.
class FieldKeeper : public SpectrumObserver {
public:
    explicit FieldKeeper(std::vector<double>& field) : field_(field) {}
    void after_back_transform(RealMatrix re, RealMatrix) override {
        field_.resize(static_cast<std::size_t>(image_size) * image_size);
        for (int i = 0; i < image_size; ++i)
            for (int j = 0; j < image_size; ++j)
                field_[static_cast<std::size_t>(i) * image_size + j] = re[i][j];
    }

private:
    std::vector<double>& field_;
};

}  // namespace

SliderPositions band_alone(int band) {
    SliderPositions p{};
    p.fill(position_of_gain(0));
    p[band] = position_of_gain(100);
    return p;
}

BandPictures band_pictures(const TBitmap& source) {
    if (source.PixelFormat() != TPixelFormat::pf24bit || source.Width() != image_size ||
        source.Height() != image_size)
        throw EInvalidGraphic("The band pictures need a 24-bit source of 256 x 256");
    BandPictures out;
    TBitmap spectrum = black_picture(image_size, image_size);
    for (int k = 0; k < band_count; ++k) {
        TBitmap band_source = source;
        out.tiles[k] = black_picture(image_size, image_size);
        FieldKeeper keeper(out.fields[k]);
        clear_imaginary_field();
        try {
            compute_pictures(band_source, gains_from_positions(band_alone(k)),
                             {*spectrum.Canvas(), *out.tiles[k].Canvas()}, &keeper);
        } catch (const MathError& e) {
            if (e.kind() != MathError::Kind::ZeroDivide)
                throw;
            out.empty[k] = true;
        }
    }
    return out;
}

TBitmap contact_sheet(const BandPictures& bands) {
    TBitmap sheet = black_picture(sheet_columns * image_size, sheet_rows * image_size);
    for (int k = 0; k < band_count; ++k)
        sheet.Canvas()->Draw((k % sheet_columns) * image_size, (k / sheet_columns) * image_size,
                             bands.tiles[k]);
    return sheet;
}
