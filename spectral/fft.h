#pragma once
// The radix-2 transform of one line and the centred transform of the whole field.
//
// Conventions, fixed here once:
//
// fft1d(n, ...) works on the line z[m] = x[m] + i y[m], m = 0 ... |n| - 1, x being the array in
// the fourth argument and y the array in the fifth:
//   n > 0, forward:   Z[k] = (1/n) sum_m z[m] e^(-2 pi i m k / n)   (divided by n)
//   n < 0, backward:  Z[k] =       sum_m z[m] e^(+2 pi i m k / |n|) (no division)
//   n == 0:           nothing is touched.
// A forward call followed by a backward call restores the line up to rounding. |n| must be a
// power of two of at least 4 (anything else throws std::invalid_argument), and the tables must
// have been built for |n| (see tables.h); that is not checked.
//
// fft2d_centred(&re, &im) transforms the image_size x image_size field z = re + i im, indexed
// [x][y] (first index the position within a scan line, second the scan line), in place:
//   out[k1][k2] = (1/N^2) sum_{p1,p2} z[p1][p2] e^(+2 pi i ((p1-h)(k1-h) + (p2-h)(k2-h)) / N)
// with N = image_size and h = N/2. It is the transform with the POSITIVE exponent: every line
// goes through a forward fft1d with its real and imaginary parts in exchanged places, which is
// the conjugate transform. The zero frequency lands at [h][h] and equals the mean of the field.
// It is its own near-inverse up to a point mirror: two calls in a row give
//   out2[k1][k2] = z[(N - k1) mod N][(N - k2) mod N] / N^2,
// index 0 staying at 0 and index m going to N - m, all divided by N^2 (65536 for 256).
//
// fft2d_centred reads image_size, bit_reversal and sine_table and uses shift_scratch, line_re
// and line_im (state.h) as scratch; it allocates nothing, is not reentrant and returns 0.

#include <cstdint>

#include "buffers.h"

void fft1d(int n, const std::int32_t* bit_reversal, const double* sine_table, RealVector* x,
           RealVector* y);

int fft2d_centred(RealMatrix* re, RealMatrix* im);
