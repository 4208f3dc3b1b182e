#pragma once
// Reading and writing the Windows device-independent bitmap file (BMP) in its uncompressed
// forms: 24 bits per pixel (blue, green, red) and 8 bits per pixel with a palette. Pure C++;
// the toolkit's bitmap class and the sample pictures both go through here.
//
// Conventions of BmpPicture, whatever the order of the rows in the file:
// - rows are top-down (row 0 is the top scan line) and tightly packed, with no padding;
// - a 24-bit row is width * 3 bytes in the order blue, green, red;
// - an 8-bit row is width bytes, each an index into `palette`;
// - a palette entry is 0x00RRGGBB.

#include <cstddef>
#include <cstdint>
#include <vector>

struct BmpPicture {
    int width = 0;
    int height = 0;
    int bits_per_pixel = 24;  // 24 or 8
    std::vector<std::uint8_t> pixels;
    std::vector<std::uint32_t> palette;  // 8-bit only, at most 256 entries
    std::int32_t x_pixels_per_metre = 0;
    std::int32_t y_pixels_per_metre = 0;
};

// Largest edge length, and largest number of pixels, that decode_bmp and encode_bmp accept.
inline constexpr int bmp_max_side = 16384;
inline constexpr std::int64_t bmp_max_pixels = std::int64_t{1} << 26;

// Decodes a complete BMP file held in memory. Accepted: signature "BM", an info header of
// 40 bytes (or one of its longer successors, of which only the first 40 bytes are read),
// one plane, 24 or 8 bits per pixel, no compression, a positive height (rows stored
// bottom-up), each stored row padded to a multiple of 4 bytes. An 8-bit file carries
// `colours used` palette entries (256 when that field is 0); the decoded palette has exactly
// that many, and a pixel whose index lies beyond them makes the file invalid rather than
// being mapped to some colour.
//
// Anything else throws EInvalidGraphic with a message naming the fault. Every read is checked
// against `size`: no field value, however large, makes the decoder look outside the input.
BmpPicture decode_bmp(const std::uint8_t* data, std::size_t size);

// Encodes a picture as a BMP file: 14-byte file header, 40-byte info header, for 8 bits per
// pixel a palette of 256 entries (blue, green, red, 0; entries beyond `palette` are black),
// then the rows bottom-up, each padded with zeros to a multiple of 4 bytes. Colours used and
// important colours are 0 at 24 bits and 256 at 8 bits. Throws EInvalidGraphic when the
// picture breaks its own conventions (size, depth, pixel count, palette).
std::vector<std::uint8_t> encode_bmp(const BmpPicture& picture);
