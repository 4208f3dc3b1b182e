#pragma once
// The picture's content band by band, and the contact sheet that shows it.
//
// The picture of band k is the engine's run with band k at gain 100 % and every other band at 0,
// with field_im zero as after a fresh start, so tile k is exactly the window's output for that
// setting. Before normalisation the twelve back-transformed fields
// add up to the whole source, point-mirrored and divided by image_size^2 as every
// back-transform leaves it.

#include <array>
#include <vector>

#include "band.h"
#include "graphics.h"

inline constexpr int sheet_columns = 4;
inline constexpr int sheet_rows = 3;

struct BandPictures {
    // field_re after the back-transform of band k, before normalisation; [i * image_size + j].
    std::array<std::vector<double>, band_count> fields;
    // The output picture of band k; black when the band's field has no positive value.
    std::array<TBitmap, band_count> tiles;
    std::array<bool, band_count> empty{};
};

// The slider positions that keep band k alone: k at 100 (gain 100 %), the others at 200.
SliderPositions band_alone(int band);

// Needs the engine started (working_state.h) and a 24-bit 256 x 256 source, as a run leaves
// Image1. Overwrites the working state.
BandPictures band_pictures(const TBitmap& source);

// 4 x 3 tiles of 256 x 256: tile k at column k mod 4, row k / 4, so the rows are the slider
// groups Low, Middle and High.
TBitmap contact_sheet(const BandPictures& bands);
