#include "energies.h"

#include <algorithm>
#include <cmath>

#include "numeric.h"

namespace {

// Beyond this the two sides of Parseval's theorem differ by more than the transforms' rounding.
constexpr double parseval_tolerance = 1e-12;

}  // namespace

std::array<double, band_count> band_energies(RealMatrix re, RealMatrix im) {
    std::array<double, band_count> energy{};
    for (int i = 0; i < image_size; ++i)
        for (int j = 0; j < image_size; ++j) {
            const double r = re[i][j];
            const double m = im[i][j];
            const double square = r * r + m * m;
            energy[band_map[i][j]] += square;
        }
    return energy;
}

EnergyMeter::EnergyMeter(BandEnergies& energies) : energies_(energies) {}

void EnergyMeter::before_gains(RealMatrix re, RealMatrix im) {
    energies_.before = band_energies(re, im);
}

void EnergyMeter::after_gains(RealMatrix re, RealMatrix im) {
    energies_.after = band_energies(re, im);
}

void EnergyMeter::finish(const TBitmap& source) {
    energies_.elements = band_element_counts();
    energies_.source_square_sum = 0;
    for (int y = 0; y < image_size; ++y) {
        const std::uint8_t* row = source.ScanLine(y);
        for (int x = 0; x < image_size; ++x)
            energies_.source_square_sum += std::int64_t{row[3 * x]} * row[3 * x];
    }
}

ParsevalCheck parseval_check(const BandEnergies& energies) {
    double total = 0;
    for (double v : energies.before)
        total += v;
    ParsevalCheck check;
    check.spectrum_side = total * (static_cast<double>(image_size) * image_size);
    check.source_side = static_cast<double>(energies.source_square_sum);
    const double scale = std::max(std::fabs(check.spectrum_side), std::fabs(check.source_side));
    check.relative_difference =
        scale > 0 ? std::fabs(check.spectrum_side - check.source_side) / scale : 0;
    check.agrees = check.relative_difference <= parseval_tolerance;
    return check;
}
