#pragma once
// The twelve bands of the spectrum and the sliders that set their gains.
//
// The centred spectrum is divided into twelve rings around its zero-frequency element
// [image_size / 2][image_size / 2]. Band k holds the positions at distance r from the centre with
// 1.6^k <= r + 1 < 1.6^(k+1). A position at distance r stands for r cycles across the picture,
// a wavelength of image_size / r pixels.
//
// The slider model lives here and nowhere else: slider K (ScrollBar1 ... ScrollBar12) sets
// band K - 1; a slider runs from slider_min (thumb at the top) to slider_max (bottom) and starts
// at slider_start; the gain of its band is slider_max - position percent, and every element of
// the band is multiplied by (gain/100)^3.

#include <array>
#include <cstdint>

#include "buffers.h"

inline constexpr int band_count = 12;
using BandGains = std::array<double, band_count>;
using SliderPositions = std::array<int, band_count>;

inline constexpr int slider_min = 0;
inline constexpr int slider_max = 200;
inline constexpr int slider_start = 100;
inline constexpr int slider_small_change = 5;
inline constexpr int slider_large_change = 20;

// The gain in percent that a slider position gives, and the position that gives a gain.
constexpr int gain_of_position(int position) { return slider_max - position; }
constexpr int position_of_gain(int gain) { return slider_max - gain; }

// Every slider at its start, every gain 100 %.
SliderPositions start_positions();
// Gains in percent from slider positions, converted to double.
BandGains gains_from_positions(const SliderPositions& positions);

// The three preset buttons of a group, left to right: each sets its group's four sliders to the
// gain its caption names.
inline constexpr std::array<int, 3> preset_gains = {0, 100, 200};
inline constexpr int bands_per_group = 4;

// Band number 0 ... 11 of every position of the centred spectrum; built once at start-up.
extern IntMatrix band_map;

// Fills band_map. Needs band_map allocated as image_size x image_size.
void build_band_map();

// The band of a squared distance d2 from the centre.
int band_of_squared_distance(int d2);

// Radius range of band k in pixels from the centre, which is also cycles per picture:
// inner <= r < outer. The last band ends at the corners, largest_radius().
double band_inner_radius(int band);
double band_outer_radius(int band);
double largest_radius();
// The number of spectrum positions in each band.
std::array<std::int64_t, band_count> band_element_counts();

// (gain/100)^3, multiplied as 0.01 * g * g * 0.01 * g * 0.01 from left to right.
double band_factor(double gain);

// Multiplies every element of re and im by the factor of its band, i outer and j inner.
void scale_by_bands(const BandGains& gains, RealMatrix re, RealMatrix im);
