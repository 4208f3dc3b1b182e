#pragma once
// The canvas's line rule walked one pixel at a time: the reference that the toolkit's closed form
// (for_each_line_pixel in graphics.h) is held to, and the way the scalar reference run draws its
// red curve. It steps along the longer axis carrying an error term, in 64 bits so that the
// curve's far-off points cannot overflow it, and shares nothing with the toolkit.
//
// Header only: the programs that compile the reference run into themselves need no source
// beyond it.

#include <cstdlib>

// Calls plot(x, y) for every pixel of the line from (x0, y0) to (x1, y1), the end point
// excluded, that lies inside a width x height picture, in drawing order. The minor axis steps
// once the exact line has passed the middle between two pixels; ties step away from the start.
template <class Plot>
void reference_line(long long x0, long long y0, long long x1, long long y1, int width, int height,
                    Plot&& plot) {
    const long long dx = std::llabs(x1 - x0), dy = std::llabs(y1 - y0);
    const int sx = x1 < x0 ? -1 : 1, sy = y1 < y0 ? -1 : 1;
    const bool xmajor = dx >= dy;
    const long long steps = xmajor ? dx : dy, minor = xmajor ? dy : dx;
    long long x = x0, y = y0;
    long long err = 0;  // 2 * steps * (exact minor offset - drawn minor offset)
    for (long long i = 0; i < steps; ++i) {
        if (x >= 0 && x < width && y >= 0 && y < height)
            plot(static_cast<int>(x), static_cast<int>(y));
        if (xmajor)
            x += sx;
        else
            y += sy;
        err += 2 * minor;
        if (err >= steps) {  // the exact offset passed the midpoint: step the minor axis
            if (xmajor)
                y += sy;
            else
                x += sx;
            err -= 2 * steps;
        }
    }
}
