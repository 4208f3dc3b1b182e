#include "samples.h"

#include <array>
#include <cmath>
#include <cstddef>
#include <stdexcept>

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

std::uint8_t wave_level(int x, int y) { return truncate_level(127.0 + 127.0 * std::sin(stripe_phase(x, y))); }

std::uint8_t steps_level(int x, int y) { return std::sin(stripe_phase(x, y)) >= 0.0 ? 255 : 0; }

std::uint8_t circles1_level(int x, int y) {
    return truncate_level(127.0 + 127.0 * std::sin(centre_distance_squared(x, y) / 200.0));
}

std::uint8_t circles2_level(int x, int y) {
    return std::sin(centre_distance_squared(x, y) / 300.0) >= 0.0 ? 255 : 0;
}

void put_u16(std::vector<std::uint8_t>& file, std::size_t offset, std::uint32_t value) {
    file[offset] = static_cast<std::uint8_t>(value);
    file[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void put_u32(std::vector<std::uint8_t>& file, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) file[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// The stored form of a synthetic picture: a 24-bit BMP file, resolution fields 0, rows from the
// bottom of the picture to its top. A 768-byte row is already a multiple of 4, so no padding.
std::vector<std::uint8_t> grey_bmp(std::uint8_t (*level)(int x, int y)) {
    constexpr std::size_t pixel_offset = 54;
    constexpr std::size_t row_size = sample_edge * 3;
    constexpr std::size_t image_bytes = row_size * sample_edge;
    std::vector<std::uint8_t> file(pixel_offset + image_bytes, 0);
    file[0] = 'B';
    file[1] = 'M';
    put_u32(file, 2, static_cast<std::uint32_t>(file.size()));
    put_u32(file, 10, pixel_offset);
    put_u32(file, 14, 40);  // info header size
    put_u32(file, 18, sample_edge);
    put_u32(file, 22, sample_edge);  // positive: bottom-up rows
    put_u16(file, 26, 1);            // planes
    put_u16(file, 28, 24);           // bits per pixel
    put_u32(file, 34, image_bytes);
    // Compression, both resolutions, colours used and important colours stay 0.
    for (int y = 0; y < sample_edge; ++y) {
        std::uint8_t* row = file.data() + pixel_offset + static_cast<std::size_t>(sample_edge - 1 - y) * row_size;
        for (int x = 0; x < sample_edge; ++x) {
            const std::uint8_t v = level(x, y);
            row[3 * x] = v;
            row[3 * x + 1] = v;
            row[3 * x + 2] = v;
        }
    }
    return file;
}

// Built once, on the first request for any sample.
const std::array<std::vector<std::uint8_t>, 4>& synthetic_files() {
    static const std::array<std::vector<std::uint8_t>, 4> files = {
        grey_bmp(wave_level), grey_bmp(steps_level), grey_bmp(circles1_level), grey_bmp(circles2_level)};
    return files;
}

std::vector<std::uint8_t> copy_of(const unsigned char* bytes, std::size_t size) {
    return std::vector<std::uint8_t>(bytes, bytes + size);
}

}  // namespace

const char* sample_caption(Sample sample) {
    const auto index = static_cast<std::size_t>(sample);
    if (index >= captions.size()) throw std::invalid_argument("no such sample");
    return captions[index];
}

std::optional<Sample> sample_by_caption(std::string_view caption) {
    for (std::size_t i = 0; i < captions.size(); ++i)
        if (caption == captions[i]) return static_cast<Sample>(i);
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
