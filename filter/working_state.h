#pragma once
// The engine's working state: every program-wide buffer of the spectral engine and the band
// filter, and the tables built over them. Allocated in one fixed order: blue_plane, band_map,
// field_im, field_re, shift_scratch, line_re, line_im, bit_reversal, sine_table.

// The start-up of the engine, the one way every program and test starts it: releases whatever
// buffers the globals hold, allocates them all (zero-filled), then builds the sine table, the
// bit-reversal table and the band map, in that order. The trace lines of that work go to
// standard output ("extended int", "a", "b"). A buffer that cannot be obtained raises
// EOutOfResources naming it.
void start_engine();

// Sets every element of field_im to zero, as a freshly started engine holds it: the next run is
// then the run a fresh start would make, without building the tables again.
void clear_imaginary_field();

// Releases every buffer and leaves every global empty. The window's buffers live as long as the
// process; a tool or test that starts the engine again, or wants its memory back, calls this.
void release_working_state();
