#pragma once
// The working state of the spectral engine: program-wide buffers. The window allocates them once
// at start-up and keeps them until the process ends (working_state.h starts and releases them).

#include "buffers.h"

extern RealMatrix field_re;       // real part of the working field, [x][y]
extern RealMatrix field_im;       // imaginary part; never cleared between filter runs
extern RealMatrix shift_scratch;  // scratch of the centring exchange
extern RealVector line_re;        // one line of field_re during a one-dimensional pass
extern RealVector line_im;        // one line of field_im during a one-dimensional pass
extern IntVector bit_reversal;    // bit-reversal permutation of 0 ... image_size - 1
extern RealVector sine_table;     // to_int(1.25 * image_size) sines
