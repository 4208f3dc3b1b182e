#pragma once
// Every program-wide buffer of the spectral engine and the band filter, allocated once in one
// fixed order: blue_plane, band_map, field_im, field_re, shift_scratch, line_re, line_im,
// bit_reversal, sine_table.

// Allocates them all, zero-filled. A buffer that cannot be obtained raises EOutOfResources
// naming it (the allocators' own trace lines are written as usual).
void allocate_working_state();

// Releases them all and leaves every global empty. The window never calls it: its buffers live
// as long as the process. Tools and tests that start afresh do.
void release_working_state();
