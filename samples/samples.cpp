#include "samples.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <stdexcept>

#include "bmp.h"
#include "photographs.h"

namespace {

// Every sample is a square of this edge; it equals the program's image_size, but the sample
// files are fixed data and do not follow that variable.
constexpr int sample_edge = 256;

constexpr std::array<const char*, sample_count> captions = {
    "Wave", "Steps", "Circles1", "Circles2", "Jupiter", "Saturn", "Moon"};

// trunc of a level the rules keep within [0, 254]: cutting the fraction through a 64-bit
// integer is exact there and never out of range.
std::uint8_t truncate_level(double value) {
    return static_cast<std::uint8_t>(static_cast<std::int64_t>(value));
}

// Rules of the synthetic pictures, x counted from the left, y from the top.

// Stripe k = y div 64 is a horizontal chirp of phase 2^k x^2 / 1600.
double stripe_phase(int x, int y) {
    const int stripe = y / 64;
    return static_cast<double>((1 << stripe) * x * x) / 1600.0;
}

// With r^2 = (x - 128)^2 + (y - 128)^2, exact in integers.
int centre_distance_squared(int x, int y) {
    const int dx = x - 128;
    const int dy = y - 128;
    return dx * dx + dy * dy;
}

std::uint8_t wave_level(int x, int y) {
    return truncate_level(127.0 + 127.0 * std::sin(stripe_phase(x, y)));
}

std::uint8_t steps_level(int x, int y) { return std::sin(stripe_phase(x, y)) >= 0.0 ? 255 : 0; }

std::uint8_t circles1_level(int x, int y) {
    return truncate_level(127.0 + 127.0 * std::sin(centre_distance_squared(x, y) / 200.0));
}

std::uint8_t circles2_level(int x, int y) {
    return std::sin(centre_distance_squared(x, y) / 300.0) >= 0.0 ? 255 : 0;
}

// The stored form of a synthetic picture: a 24-bit BMP file, resolution fields 0, as the
// toolkit's codec writes it (rows from the bottom of the picture to its top; a 768-byte row is
// already a multiple of 4, so no padding).
std::vector<std::uint8_t> grey_bmp(std::uint8_t (*level)(int x, int y)) {
    constexpr std::size_t row_size = sample_edge * 3;
    BmpPicture picture;
    picture.width = sample_edge;
    picture.height = sample_edge;
    picture.bits_per_pixel = 24;
    picture.x_pixels_per_metre = 0;
    picture.y_pixels_per_metre = 0;
    picture.pixels.assign(row_size * sample_edge, 0);
    for (int y = 0; y < sample_edge; ++y) {
        std::uint8_t* row = picture.pixels.data() + static_cast<std::size_t>(y) * row_size;
        for (int x = 0; x < sample_edge; ++x) {
            const std::uint8_t v = level(x, y);
            row[3 * x] = v;
            row[3 * x + 1] = v;
            row[3 * x + 2] = v;
        }
    }
    return encode_bmp(picture);
}

// Built once, on the first request for any sample.
const std::array<std::vector<std::uint8_t>, 4>& synthetic_files() {
    static const std::array<std::vector<std::uint8_t>, 4> files = {
        grey_bmp(wave_level), grey_bmp(steps_level), grey_bmp(circles1_level),
        grey_bmp(circles2_level)};
    return files;
}

std::vector<std::uint8_t> copy_of(const unsigned char* bytes, std::size_t size) {
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

}  // namespace

const char* sample_description(Sample sample) {
    switch (sample) {
    case Sample::Wave:
        return "Four stripes of smooth horizontal chirps: the frequency rises from the left\n"
               "edge to the right, and doubles from one stripe to the next down the picture.";
    case Sample::Steps:
        return "The chirps of Wave in two levels, black and white: the sharp edges add\n"
               "harmonics at three and five times each frequency.";
    case Sample::Circles1:
        return "Concentric rings around the centre, smooth, growing denser outward:\n"
               "a radial chirp, whose spectrum is a broad ring.";
    case Sample::Circles2:
        return "The radial chirp in two levels, black and white rings.";
    case Sample::Jupiter:
        return "Jupiter, a photograph rendered from a map by James Hastings-Trew from\n"
               "Cassini data: the cloud belts run along the scan lines.";
    case Sample::Saturn:
        return "Saturn and its rings, a photograph rendered from the map and ring texture\n"
               "by Björn Jónsson.";
    case Sample::Moon:
        return "Part of the Moon's disc with its craters, a photograph rendered from\n"
               "USGS Astrogeology and Clementine data (public domain).";
    }
    throw std::invalid_argument("no such sample");
}

const char* sample_caption(Sample sample) {
    const auto index = static_cast<std::size_t>(sample);
    if (index >= captions.size())
        throw std::invalid_argument("no such sample");
    return captions[index];
}

std::optional<Sample> sample_by_caption(std::string_view caption) {
    for (std::size_t i = 0; i < captions.size(); ++i)
        if (caption == captions[i])
            return static_cast<Sample>(i);
    return std::nullopt;
}

std::vector<std::uint8_t> sample_bmp(Sample sample) {
    switch (sample) {
    case Sample::Wave:
    case Sample::Steps:
    case Sample::Circles1:
    case Sample::Circles2:
        return synthetic_files()[static_cast<std::size_t>(sample)];
    case Sample::Jupiter:
        return copy_of(photograph_data::jupiter, photograph_data::jupiter_size);
    case Sample::Saturn:
        return copy_of(photograph_data::saturn, photograph_data::saturn_size);
    case Sample::Moon:
        return copy_of(photograph_data::moon, photograph_data::moon_size);
    }
    throw std::invalid_argument("no such sample");
}
