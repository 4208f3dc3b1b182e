#pragma once
// One filter run from a freshly started engine, without a window: the run the window makes in
// its constructor, with the sliders where the caller puts them.
//
// The engine is the window's: the same start-up, the same run (compute_pictures) with the same
// gains. Only the surfaces differ: the source is a bitmap of our own instead of Image1's, and
// the spectrum and output are drawn into bitmaps made as an empty TImage makes its picture
// (24 bits, 256 x 256, black).

#include <array>
#include <cstdint>
#include <string>

#include "band.h"
#include "energies.h"
#include "graphics.h"
#include "samples.h"

// The picture a sample's holder image carries, decoded from its stored BMP (8 bits stay 8 bits).
TBitmap sample_picture(Sample sample);

// A picture file as a source: as read, or with `fit` fitted to 256 x 256 in grey levels, its
// proportions kept (fit.h).
TBitmap input_picture(const std::string& path, bool fit);

struct FirstRun {
    TBitmap source;    // what Image1 holds after the run: converted to 24 bits, 256 x 256
    TBitmap spectrum;  // what Image2 shows
    TBitmap output;    // what Image3 shows
    BandEnergies energies;
};

// The window's first run on `source` with the sliders at `positions`, on a freshly started
// engine (field_im zero). A run that fails throws what compute_pictures throws (MathError with
// ZeroDivide for a filtered picture without a positive value).
FirstRun first_run(const TBitmap& source, const SliderPositions& positions);
