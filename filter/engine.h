#pragma once
// One complete filter run, from the source picture to the spectrum and output pictures.
//
// The run reads the blue byte of every source pixel, takes the centred spectrum, scales it by
// the band gains, draws the spectrum with its radial profile, transforms it back with the same
// forward routine, normalises by the largest value and writes the grey output picture.
//
// Two forward transforms in a row leave element [k1][k2] holding the filtered value of
// [(-k1) mod N][(-k2) mod N]; reading the output with both indices reversed (255 - x, 255 - y)
// then shows source pixel ((x + 1) mod N, (y + 1) mod N) at output pixel (x, y): the output is
// the filtered source moved one pixel up and one pixel to the left.

#include <array>
#include <functional>

#include "band.h"
#include "buffers.h"
#include "graphics.h"

// The blue byte of every source pixel, [x][y]; after a run, the output intensities.
extern IntMatrix blue_plane;

inline constexpr int radial_bins = 400;
// Summed magnitude by whole-pixel distance from (127.5, 127.5), of the last spectrum drawn.
extern double radial_profile[radial_bins];

// What a run works on. The source bitmap is converted in place to 24 bits and 256 x 256.
struct FilterSurfaces {
    TBitmap* source = nullptr;
    // The gains, one of two ways: band_gains, when set, gives the gains that the run multiplies
    // in itself, in the same pass as the spectrum picture; otherwise apply_gains is called to
    // scale field_re and field_im as a step of its own (a caller that looks at the field on
    // either side of the gains).
    std::function<BandGains()> band_gains;
    std::function<void()> apply_gains;
    std::function<TCanvas*()> spectrum_canvas;
    std::function<TCanvas*()> output_canvas;
};

// Runs the whole pipeline. A filtered spectrum with no positive value after the back-transform
// raises MathError(ZeroDivide) at the normalisation, after the spectrum was drawn and before the
// output is touched; any other invalid operation, division by zero or overflow raises its
// MathError. The work bitmap is released on every path.
void filter_run(const FilterSurfaces& surfaces);
// "sse2" (or "plain" off x86-64) or "avx512": the passes a run now takes. They follow the
// transform's kernel: AVX-512 passes with the AVX-512 kernel, the portable ones otherwise.
const char* filter_pass_name();

// The steps, over plain buffers.
void capture_blue(const TBitmap& source, IntMatrix plane);
void fill_field(IntMatrix plane, RealMatrix re);
// The colour picture of the spectrum's magnitudes into a 24-bit 256 x 256 bitmap.
void spectrum_pixels(RealMatrix re, RealMatrix im, TBitmap& picture);
void compute_radial_profile(RealMatrix re, RealMatrix im, double profile[radial_bins]);
// The vertex of bin k: (2k, to_int(256 - profile[k])).
TPoint profile_point(const double profile[radial_bins], int k);
// Divides field_re by its largest value (floor 0); zero raises MathError(ZeroDivide).
void normalise_field(RealMatrix re);
void output_intensities(RealMatrix re, IntMatrix plane);
void output_pixels(IntMatrix plane, TBitmap& picture);

// Steps 7 and 8 of a run: the spectrum picture drawn at (0, 0) on the canvas, then the red
// polyline through the 400 profile points over it.
void draw_spectrum(TBitmap& work_bitmap, TCanvas& spectrum_canvas);
void draw_radial_profile(TCanvas& spectrum_canvas);
