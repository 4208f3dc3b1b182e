#pragma once
// The scalar reference of the line transform and of the centred field transform: every faster
// path must match it bit for bit. It shares no code and no buffer
// with the production routines: its loops are its own copies and its scratch is its own.
// Keep it plain.

#include <cstdint>

void reference_fft1d(int n, const std::int32_t* bit_reversal, const double* sine_table, double* x,
                     double* y);

// The centred transform of the n x n field (re, im), in place, with the given tables.
void reference_fft2d_centred(int n, const std::int32_t* bit_reversal, const double* sine_table,
                             double** re, double** im);
