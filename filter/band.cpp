#include "band.h"

#include <cmath>

#include "numeric.h"

IntMatrix band_map = nullptr;

int band_of_squared_distance(int d2) {
    const double r = std::sqrt(static_cast<double>(d2));
    const double v = std::log(r + 1.0) / std::log(1.6);
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

BandGains gains_from_positions(const SliderPositions& positions) {
    BandGains gains{};
    for (int k = 0; k < band_count; ++k)
        gains[k] = static_cast<double>(200 - positions[k]);
    return gains;
}

double band_factor(double g) {
    double t = 0.01 * g;
    t = t * g;
    t = t * 0.01;
    t = t * g;
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
