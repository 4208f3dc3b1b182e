#pragma once
// The band map and the band gains.
//
// The centred spectrum is divided into twelve rings around its zero-frequency element
// [image_size / 2][image_size / 2]. Band k holds the positions at distance r from the centre with
// 1.6^k <= r + 1 < 1.6^(k+1). Slider K (ScrollBar1 ... ScrollBar12) sets the gain of band K - 1;
// a gain is 200 - position percent and every element of the band is multiplied by (gain/100)^3.

#include <array>

#include "buffers.h"

inline constexpr int band_count = 12;
using BandGains = std::array<double, band_count>;
using SliderPositions = std::array<int, band_count>;

// Band number 0 ... 11 of every position of the centred spectrum; built once at start-up.
extern IntMatrix band_map;

// Fills band_map. Needs band_map allocated as image_size x image_size.
void build_band_map();

// The band of a squared distance d2 from the centre.
int band_of_squared_distance(int d2);

// Gains in percent from slider positions: 200 - position, converted to double.
BandGains gains_from_positions(const SliderPositions& positions);

// (gain/100)^3, multiplied as 0.01 * g * g * 0.01 * g * 0.01 from left to right.
double band_factor(double gain);

// Multiplies every element of re and im by the factor of its band, i outer and j inner.
void scale_by_bands(const BandGains& gains, RealMatrix re, RealMatrix im);
