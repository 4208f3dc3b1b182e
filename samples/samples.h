#pragma once
// The seven built-in sample pictures, each a complete BMP file of 256 x 256 grey pixels.
//
// "Wave", "Steps", "Circles1" and "Circles2" are produced from their rules the first time any
// sample is asked for (24 bits per pixel, resolution fields 0). "Jupiter", "Saturn" and "Moon"
// are photographs built into the program as the unchanged bytes of their files in
// data/photographs (24, 8 and 24 bits per pixel; "Saturn" carries a linear grey palette).
// Nothing is read from disk at run time.
//
// In every picture the blue, green and red bytes of a pixel are equal (for "Saturn" the index
// equals its grey level), so the blue byte alone carries the picture.

#include <array>
#include <cstdint>
#include <optional>
#include <string_view>
#include <vector>

// In the order of the holders Image4 ... Image10.
enum class Sample { Wave, Steps, Circles1, Circles2, Jupiter, Saturn, Moon };
inline constexpr int sample_count = 7;
inline constexpr std::array<Sample, sample_count> all_samples = {
    Sample::Wave,    Sample::Steps,  Sample::Circles1, Sample::Circles2,
    Sample::Jupiter, Sample::Saturn, Sample::Moon};

// The caption of the radio button that chooses the sample: "Wave", "Steps", "Circles1",
// "Circles2", "Jupiter", "Saturn" or "Moon". Throws std::invalid_argument for a value outside
// the enumeration, as does sample_bmp.
const char* sample_caption(Sample sample);

// What the sample shows, in a sentence for a tooltip or a legend, with the photograph's credit;
// lines of at most 80 characters, separated by '\n'.
const char* sample_description(Sample sample);

// The sample whose caption is exactly `caption`, if any.
std::optional<Sample> sample_by_caption(std::string_view caption);

// The complete stored BMP file of the sample, a copy of its own: changing it changes no later
// result.
std::vector<std::uint8_t> sample_bmp(Sample sample);
