#pragma once
// The band report: one row per band with its place in the spectrum, its size and its share of
// the spectrum's energy before and after the gains, and a closing check of the energies
// against Parseval's theorem.
//
// Units: a spectrum position at distance r from the zero-frequency element stands for r cycles
// across the 256-pixel picture, a wavelength of 256 / r pixels.

#include <string>

#include "band.h"
#include "energies.h"

// The whole report, every line ending in '\n'. `subject` names the source and setting in the
// heading line.
std::string band_report(const std::string& subject, const SliderPositions& positions,
                        const BandEnergies& energies);
