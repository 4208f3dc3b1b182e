#pragma once
// The two read-only tables of the transform, built once for the edge length.
//
// sine_table: to_int(1.25 * n) entries, entry k = sin(2*pi*k/n): one full period followed by
// its first quarter again, so that cos(2*pi*k/n) is entry k + n/4 and no cosine table exists.
// bit_reversal: n entries, entry i = i with its log2(n) low bits in reverse order.
//
// Valid lengths are powers of two of at least 4; any other length throws std::invalid_argument
// before anything is written.

#include "buffers.h"

// True for the lengths the tables and the transform accept: powers of two, at least 4.
bool is_transform_length(int n);

// Fills (*table)[0 .. 1.25 n) by a two-term recurrence over the first eighth and symmetry for
// the rest. Writes the trace line "a\n".
void build_sine_table(int n, RealVector* table);

// Fills (*table)[0 .. n). Writes the trace line "b\n" when done.
void build_bit_reversal(int n, IntVector* table);
