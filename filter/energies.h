#pragma once
// How much of a picture lies in each band: the energy (sum of squared magnitudes re^2 + im^2) of
// every band of the centred spectrum, on either side of the gains, and the check of those
// energies against Parseval's theorem. The centred spectrum is scaled by 1 / image_size^2 by
// the forward transform, so image_size^2 times its energy equals the sum of the squared source
// values.

#include <array>
#include <cstdint>

#include "band.h"
#include "buffers.h"
#include "engine.h"
#include "graphics.h"

struct BandEnergies {
    std::array<double, band_count> before{};  // right after the forward transform
    std::array<double, band_count> after{};   // after the gains
    std::array<std::int64_t, band_count> elements{};
    std::int64_t source_square_sum = 0;  // sum of the squared blue bytes the run read
};

// The band energies of a centred spectrum, i outer and j inner as the run scans it.
std::array<double, band_count> band_energies(RealMatrix re, RealMatrix im);

// Measures the energies of one run: pass it to compute_pictures as the observer, then call
// finish with the source as the run left it (24 bits, image_size x image_size).
class EnergyMeter : public SpectrumObserver {
public:
    explicit EnergyMeter(BandEnergies& energies);
    void before_gains(RealMatrix re, RealMatrix im) override;
    void after_gains(RealMatrix re, RealMatrix im) override;
    // The element counts and the sum of the squared blue bytes the run read.
    void finish(const TBitmap& source);

private:
    BandEnergies& energies_;
};

// image_size^2 times the sum of the band energies before the gains, which Parseval's theorem
// makes equal to the sum of the squared source values; their relative difference, and whether
// it lies within the transforms' rounding.
struct ParsevalCheck {
    double spectrum_side = 0;
    double source_side = 0;
    double relative_difference = 0;
    bool agrees = false;
};
ParsevalCheck parseval_check(const BandEnergies& energies);
