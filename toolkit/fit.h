#pragma once
// Fitting any picture into the square the window computes on: its grey level, at 16 bits per
// sample until the one rounding to 8 bits at the end, the picture centred in the square of its
// longer side (the rest black) so that its proportions are kept, and that square scaled
// smoothly to edge x edge. Pure C++: veld-render, the window's drop and paste, and the Python
// module fit the same way, so that the same picture gives the same pixels whichever way it came.
//
// Conventions:
// - Samples are 16-bit (0 ... 65535); an 8-bit sample v stands for v * 257, so that 8-bit
//   pictures lose nothing and 255 stays white.
// - The grey level of a colour is (299 R + 587 G + 114 B + 500) / 1000 in integers, so a grey
//   pixel keeps its level. Alpha is ignored.
// - The square of side S = max(width, height) holds the picture at column (S - width) / 2 and
//   row (S - height) / 2 (integer division).
// - Scaling by s = S / edge: when s >= 1, each output pixel is the mean of the square of the
//   input it covers, partial pixels weighted by the part covered (area averaging); when s < 1,
//   each output pixel is interpolated linearly between the four nearest input pixels, the pixel
//   centres lying at (t + 0.5) s - 0.5, clamped at the edges. Rows first, then columns, in
//   double precision.
// - The one rounding: level8 = floor(level16 * 255 / 65535 + 0.5).

#include <cstdint>
#include <vector>

#include "graphics.h"

// A picture at 16 bits per sample, row by row from the top, `channels` samples per pixel:
// 1 (grey), 3 (red, green, blue) or 4 (red, green, blue, alpha).
struct WidePicture {
    int width = 0;
    int height = 0;
    int channels = 3;
    std::vector<std::uint16_t> samples;
};

// The colours of a bitmap (24 or 8 bits with its palette) as a 16-bit RGB picture.
WidePicture wide_picture(const TBitmap& bitmap);

// The grey levels of a picture, 16-bit, row by row.
std::vector<std::uint16_t> grey_levels(const WidePicture& picture);

// The picture fitted into an edge x edge square: a 24-bit bitmap whose three bytes of every
// pixel hold the grey level. Throws EInvalidGraphic for an empty picture, a channel count other
// than 1, 3 or 4, a sample count that does not match, or an edge that is not positive.
TBitmap fit_picture(const WidePicture& picture, int edge);
TBitmap fit_picture(const TBitmap& bitmap, int edge);
