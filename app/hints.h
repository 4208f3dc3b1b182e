#pragma once
// What the window's tooltips say: each slider's band in the units people ask about (cycles per
// picture, wavelength in pixels) with its element count and current gain, what each preset and
// sample is, and for the spectrum picture the frequency under the pointer. The texts are built
// from the band model (band.h) and the last spectrum drawn (engine.h), never stored.

#include <string>

#include "band.h"
#include "samples.h"

// "Band 6 (ScrollBar7): 15.8 – 25.8 cycles per picture, wavelengths 9.9 – 16.2 px, 1316
// elements; gain 100 % (× 1.000)". Needs the band map built.
std::string slider_hint(int band, int position);
// "Low: bands 0 – 3 to gain 0 %".
std::string preset_hint(int first_band, int gain);
// The group box of the bands from first_band on: its bands and wavelengths.
std::string group_hint(int first_band);
// The sample's caption and what it shows.
std::string sample_hint(Sample sample);
// The point (x, y) of the spectrum picture: its offset from the centre in cycles per picture,
// radius, wavelength, band with that band's gain, and the magnitude drawn there. Empty outside
// the picture.
std::string spectrum_hint(int x, int y, const SliderPositions& positions);

extern const char* const source_hint;
extern const char* const output_hint;
