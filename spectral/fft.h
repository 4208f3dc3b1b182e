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
// fft2d_centred reads image_size, bit_reversal and sine_table (state.h) and returns 0. It may
// use shift_scratch, line_re and line_im as scratch, so their contents afterwards mean nothing.
// It allocates nothing per call (a work area is sized once, at the first call of an edge
// length) and is not reentrant.
//
// Kernels. fft2d_centred runs one of several kernels that give identical bits: the plain
// routine, or lanes of independent lines side by side in SSE2, AVX2 or AVX-512 registers. The
// default is the widest one that the processor supports; the tests and the benchmark force each
// in turn. Fields narrower than 16 always take the plain routine.

#include <cstdint>

#include "buffers.h"

void fft1d(int n, const std::int32_t* bit_reversal, const double* sine_table, RealVector* x,
           RealVector* y);

int fft2d_centred(RealMatrix* re, RealMatrix* im);

enum class FftKernel { Plain, Sse2, Avx2, Avx512 };

// Kernel choice, for the tests and the benchmark; the program keeps the default.
// Whether this build and this processor can run the kernel.
bool fft_kernel_supported(FftKernel kernel);
// Selects the kernel of later fft2d_centred calls; false (and no change) if unsupported.
bool set_fft_kernel(FftKernel kernel);
FftKernel fft_kernel();
// "plain", "sse2", "avx2" or "avx512": the kernel now selected.
const char* fft_kernel_name();

// Test seam, not for program code: the same transform at edge length n instead of image_size,
// for the tests that hold it to a direct transform on small fields. The tables must have been
// built for n and shift_scratch, line_re and line_im sized for it.
namespace spectral_testing {
int fft2d_centred_of_edge(int n, RealMatrix* re, RealMatrix* im);
}
