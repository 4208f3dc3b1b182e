#pragma once
// The bytes of a picture, for comparing pictures bit for bit.
//
// Header only: the programs that compile the window fixture into themselves need no source
// beyond it.

#include <cstdint>
#include <vector>

#include "graphics.h"

// Every pixel of a 24-bit bitmap, top-down, blue-green-red, rows without padding.
inline std::vector<std::uint8_t> bitmap_bytes(const TBitmap& b) {
    std::vector<std::uint8_t> out;
    for (int y = 0; y < b.Height(); ++y)
        out.insert(out.end(), b.ScanLine(y), b.ScanLine(y) + 3 * b.Width());
    return out;
}

// The blue byte of every pixel of a 24-bit bitmap, [y * width + x].
inline std::vector<std::uint8_t> blue_bytes(const TBitmap& b) {
    std::vector<std::uint8_t> out;
    for (int y = 0; y < b.Height(); ++y)
        for (int x = 0; x < b.Width(); ++x)
            out.push_back(b.ScanLine(y)[3 * x]);
    return out;
}
