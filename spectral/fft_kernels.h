#pragma once
// Internal: the lane-parallel kernels of the centred transform, one set per instruction set.
// Not part of the engine's interface; fft.cpp chooses among them.
//
// Every kernel runs strip_lanes independent lines side by side, each lane doing exactly the
// operations of fft1d on its own line, so the results are the bits of the plain routine.
//
// The centring exchanges and the gathers are folded into the index arithmetic of two passes,
// with src(t) = (t + n/2) mod n:
//   columns pass: for each column c, the line z[src(p)][c] (p = 0 ... n-1) is transformed and
//                 position j of the result is stored at [src(j)][c];
//   rows pass:    each row s is transformed in place as the line D[s][src(k)], position k of
//                 the result stored at [s][src(k)].
// Both exchanges of the plain routine, before and after, are then pure relabelling. The
// bit-reversed reordering becomes a gather: position p reads element bit_reversal[p], the same
// as the pairwise exchanges of fft1d because the table is its own inverse.

#include <cstdint>

namespace spectral_detail {

// Lines transformed together by one strip; a work area holds 2 * n * strip_lanes doubles
// (the x lines, then the y lines, position-major) and starts on a 64-byte boundary.
constexpr int strip_lanes = 8;

struct CentredJob {
    int n;  // edge length, a power of two of at least 16
    const std::int32_t* bit_reversal;
    const double* sine_table;
    double** re;
    double** im;
};

// Strips [first, last) of n / strip_lanes, along columns (first pass) or rows (second pass).
using StripPass = void (*)(const CentredJob& job, double* work, int first, int last);

void column_strips_sse2(const CentredJob& job, double* work, int first, int last);
void row_strips_sse2(const CentredJob& job, double* work, int first, int last);
void column_strips_avx2(const CentredJob& job, double* work, int first, int last);
void row_strips_avx2(const CentredJob& job, double* work, int first, int last);
void column_strips_avx512(const CentredJob& job, double* work, int first, int last);
void row_strips_avx512(const CentredJob& job, double* work, int first, int last);

}  // namespace spectral_detail
