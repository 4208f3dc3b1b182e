#include "band.h"

#include <cmath>

#include "numeric.h"

IntMatrix band_map = nullptr;

namespace {

// Band radii grow by this ratio: band k ends where r + 1 reaches 1.6^(k+1).
constexpr double band_ratio = 1.6;

}  // namespace

SliderPositions start_positions() {
    SliderPositions positions{};
    positions.fill(slider_start);
    return positions;
}

BandGains gains_from_positions(const SliderPositions& positions) {
    BandGains gains{};
    for (int k = 0; k < band_count; ++k)
        gains[k] = static_cast<double>(gain_of_position(positions[k]));
    return gains;
}

int band_of_squared_distance(int d2) {
    const double r = std::sqrt(static_cast<double>(d2));
    const double v = std::log(r + 1.0) / std::log(band_ratio);
    return to_int(v);
}

void build_band_map() {
    const int c = image_size / 2;
    for (int i = 0; i < image_size; ++i)
        for (int j = 0; j < image_size; ++j) {
            const int d2 = (i - c) * (i - c) + (j - c) * (j - c);
            band_map[i][j] = band_of_squared_distance(d2);
        }
}

double band_inner_radius(int band) { return std::pow(band_ratio, band) - 1; }
double band_outer_radius(int band) { return std::pow(band_ratio, band + 1) - 1; }
double largest_radius() { return std::sqrt(2.0) * (image_size / 2); }

std::array<std::int64_t, band_count> band_element_counts() {
    std::array<std::int64_t, band_count> counts{};
    for (int i = 0; i < image_size; ++i)
        for (int j = 0; j < image_size; ++j)
            ++counts[band_map[i][j]];
    return counts;
}

double band_factor(double gain) {
    double t = 0.01 * gain;
    t = t * gain;
    t = t * 0.01;
    t = t * gain;
    t = t * 0.01;
    return t;
}

void scale_by_bands(const BandGains& gains, RealMatrix re, RealMatrix im) {
    BandGains factors{};
    for (int k = 0; k < band_count; ++k)
        factors[k] = band_factor(gains[k]);
    for (int i = 0; i < image_size; ++i) {
        const std::int32_t* bands = band_map[i];
        double* r = re[i];
        double* m = im[i];
        for (int j = 0; j < image_size; ++j) {
            const double t = factors[bands[j]];
            r[j] = t * r[j];
            m[j] = t * m[j];
        }
    }
}
