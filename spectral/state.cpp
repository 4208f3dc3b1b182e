#include "state.h"

RealMatrix field_re = nullptr;
RealMatrix field_im = nullptr;
RealMatrix shift_scratch = nullptr;
RealVector line_re = nullptr;
RealVector line_im = nullptr;
IntVector bit_reversal = nullptr;
RealVector sine_table = nullptr;
