#pragma once
// The steps of a filter run one at a time, each over plain buffers and each with its own
// floating-point check: the reference that the engine's fused passes are held to, element by
// element, and for what a run that stops leaves behind.

#include <cstdint>

#include "band.h"
#include "buffers.h"
#include "engine.h"
#include "graphics.h"

// plane[x][y] = the blue byte of pixel (x, y) of a 24-bit image_size x image_size picture.
void capture_blue(const TBitmap& source, IntMatrix plane);
// re[i][j] = plane[i][j] as a double.
void fill_field(IntMatrix plane, RealMatrix re);
// The colour picture of the magnitudes, pixel (x, y) from element [x][y]: blue, green and red
// the low bytes of to_int(1000 m), to_int(100 m) and to_int(10 m).
void spectrum_pixels(RealMatrix re, RealMatrix im, TBitmap& picture);
// The magnitudes summed by whole-pixel distance from (127.5, 127.5), i outer and j inner.
void compute_radial_profile(RealMatrix re, RealMatrix im, double profile[radial_bins]);
// plane[i][j] = to_int(|255 re[i][j]|).
void output_intensities(RealMatrix re, IntMatrix plane);
// Pixel (x, y) grey with the low byte of plane[255 - x][255 - y].
void output_pixels(IntMatrix plane, TBitmap& picture);

// The whole run over the working state, step by step in the engine's order: the same pictures,
// fields, plane and profile as compute_pictures, and where it stops, the same error with the
// same state left behind.
void run_step_by_step(TBitmap& source, const BandGains& gains, TCanvas& spectrum_canvas,
                      TCanvas& output_canvas);
