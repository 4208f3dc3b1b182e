#include "band_sheet.h"

#include "exceptions.h"
#include "fft.h"
#include "first_run.h"
#include "numeric.h"
#include "run.h"
#include "state.h"

SliderPositions band_alone(int band) {
    SliderPositions p{};
    p.fill(200);
    p[band] = 100;
    return p;
}

BandPictures band_pictures(const TBitmap& source) {
    if (source.PixelFormat() != TPixelFormat::pf24bit || source.Width() != image_size ||
        source.Height() != image_size)
        throw EInvalidGraphic("The band pictures need a 24-bit source of 256 x 256");
    BandPictures out;
    for (int k = 0; k < band_count; ++k) {
        // The steps of filter_run in its order, the spectrum picture left out.
        capture_blue(source, blue_plane);
        fill_field(blue_plane, field_re);
        clear_imaginary_field();
        clear_fp_flags();
        fft2d_centred(&field_re, &field_im);
        scale_by_bands(gains_from_positions(band_alone(k)), field_re, field_im);
        raise_fp_flags();
        clear_fp_flags();
        fft2d_centred(&field_re, &field_im);
        raise_fp_flags();

        std::vector<double>& field = out.fields[k];
        field.resize(static_cast<std::size_t>(image_size) * image_size);
        for (int i = 0; i < image_size; ++i)
            for (int j = 0; j < image_size; ++j)
                field[static_cast<std::size_t>(i) * image_size + j] = field_re[i][j];

        TBitmap& tile = out.tiles[k];
        tile.SetPixelFormat(TPixelFormat::pf24bit);
        tile.SetSize(image_size, image_size);
        try {
            normalise_field(field_re);
        } catch (const MathError& e) {
            if (e.kind() != MathError::Kind::ZeroDivide)
                throw;
            out.empty[k] = true;
            continue;
        }
        raise_fp_flags();
        output_intensities(field_re, blue_plane);
        raise_fp_flags();
        output_pixels(blue_plane, tile);
    }
    return out;
}

TBitmap contact_sheet(const BandPictures& bands) {
    TBitmap sheet;
    sheet.SetPixelFormat(TPixelFormat::pf24bit);
    sheet.SetSize(sheet_columns * image_size, sheet_rows * image_size);
    for (int k = 0; k < band_count; ++k)
        sheet.Canvas()->Draw((k % sheet_columns) * image_size, (k / sheet_columns) * image_size,
                             bands.tiles[k]);
    return sheet;
}
