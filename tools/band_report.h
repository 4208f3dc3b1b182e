#pragma once
// The band report: one row per band with its place in the spectrum, its size and its share of
// the spectrum's energy before and after the gains, and a closing check of the energies
// against Parseval's theorem.
//
// Units: a spectrum position at distance r from the zero-frequency element stands for r cycles
// across the 256-pixel picture, a wavelength of 256 / r pixels.

#include <string>

#include "band.h"
#include "first_run.h"

// image_size^2 times the sum of the band energies before the gains, which Parseval's theorem
// makes equal to the sum of the squared source values; and their relative difference.
struct ParsevalCheck {
    double spectrum_side = 0;
    double source_side = 0;
    double relative_difference = 0;
};
ParsevalCheck parseval_check(const BandEnergies& energies);

// The whole report, every line ending in '\n'. `subject` names the source and setting in the
// heading line.
std::string band_report(const std::string& subject, const SliderPositions& positions,
                        const BandEnergies& energies);
