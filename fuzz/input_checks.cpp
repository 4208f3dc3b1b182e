#include "input_checks.h"

#include <algorithm>
#include <cstdio>
#include <vector>

#include "bmp.h"
#include "exceptions.h"
#include "graphics.h"

namespace {

std::string size_text(int w, int h) { return std::to_string(w) + " x " + std::to_string(h); }

void check_conventions(const BmpPicture& p) {
    VELD_PROMISE(
        p.width >= 1 && p.height >= 1 && p.width <= bmp_max_side && p.height <= bmp_max_side,
        "decoded size " + size_text(p.width, p.height) + " outside 1 ... " +
            std::to_string(bmp_max_side));
    VELD_PROMISE(std::int64_t{p.width} * p.height <= bmp_max_pixels,
                 "decoded pixel count above the limit");
    VELD_PROMISE(p.bits_per_pixel == 24 || p.bits_per_pixel == 8,
                 "decoded depth " + std::to_string(p.bits_per_pixel));
    const std::size_t count =
        static_cast<std::size_t>(p.width) * static_cast<std::size_t>(p.height);
    const std::size_t bytes_per_pixel = p.bits_per_pixel == 24 ? 3 : 1;
    VELD_PROMISE(
        p.pixels.size() == count * bytes_per_pixel,
        "pixel bytes " + std::to_string(p.pixels.size()) + " for " + size_text(p.width, p.height));
    if (p.bits_per_pixel == 24) {
        VELD_PROMISE(p.palette.empty(), "a 24-bit picture with a palette");
        return;
    }
    VELD_PROMISE(!p.palette.empty() && p.palette.size() <= 256,
                 "palette of " + std::to_string(p.palette.size()) + " entries");
    for (std::uint32_t entry : p.palette)
        VELD_PROMISE(entry <= 0xFFFFFFu, "palette entry with a fourth byte");
    for (std::uint8_t index : p.pixels)
        VELD_PROMISE(index < p.palette.size(),
                     "pixel index " + std::to_string(index) + " beyond the palette");
}

// encode_bmp writes 256 palette entries, black beyond the picture's own.
void check_round_trip(const BmpPicture& p) {
    const std::vector<std::uint8_t> file = encode_bmp(p);
    const BmpPicture q = decode_bmp(file.data(), file.size());
    VELD_PROMISE(q.width == p.width && q.height == p.height && q.bits_per_pixel == p.bits_per_pixel,
                 "round trip changed the size or depth");
    VELD_PROMISE(q.pixels == p.pixels, "round trip changed the pixels");
    VELD_PROMISE(q.x_pixels_per_metre == p.x_pixels_per_metre &&
                     q.y_pixels_per_metre == p.y_pixels_per_metre,
                 "round trip changed the resolution");
    if (p.bits_per_pixel == 8) {
        VELD_PROMISE(q.palette.size() == 256, "re-encoded palette not of 256 entries");
        for (std::size_t i = 0; i < q.palette.size(); ++i)
            VELD_PROMISE(q.palette[i] == (i < p.palette.size() ? p.palette[i] : 0u),
                         "round trip changed palette entry " + std::to_string(i));
    }
}

// Blue, green, red of pixel (x, y) of the decoded picture.
void colour_of(const BmpPicture& p, int x, int y, std::uint8_t bgr[3]) {
    const std::size_t i = static_cast<std::size_t>(y) * static_cast<std::size_t>(p.width) +
                          static_cast<std::size_t>(x);
    if (p.bits_per_pixel == 24) {
        std::copy_n(p.pixels.data() + 3 * i, 3, bgr);
        return;
    }
    const std::uint32_t rgb = p.palette[p.pixels[i]];
    bgr[0] = static_cast<std::uint8_t>(rgb & 0xFF);
    bgr[1] = static_cast<std::uint8_t>((rgb >> 8) & 0xFF);
    bgr[2] = static_cast<std::uint8_t>((rgb >> 16) & 0xFF);
}

// The bitmap the window would hold, then the conversion of a filter run's first step.
void check_as_run_source(const std::uint8_t* data, std::size_t size, const BmpPicture& p) {
    TBitmap bitmap;
    bitmap.LoadFromBmp(data, size);
    VELD_PROMISE(bitmap.Width() == p.width && bitmap.Height() == p.height,
                 "TBitmap size differs from the decoder's");
    VELD_PROMISE(bitmap.PixelFormat() ==
                     (p.bits_per_pixel == 8 ? TPixelFormat::pf8bit : TPixelFormat::pf24bit),
                 "TBitmap depth differs from the decoder's");
    const std::size_t row_bytes = static_cast<std::size_t>(p.width) * (p.bits_per_pixel / 8);
    for (int y = 0; y < p.height; ++y)
        VELD_PROMISE(std::equal(bitmap.ScanLine(y), bitmap.ScanLine(y) + row_bytes,
                                p.pixels.data() + y * row_bytes),
                     "TBitmap row " + std::to_string(y) + " differs from the decoder's");

    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    bitmap.SetWidth(256);
    bitmap.SetHeight(256);
    VELD_PROMISE(bitmap.Width() == 256 && bitmap.Height() == 256 &&
                     bitmap.PixelFormat() == TPixelFormat::pf24bit,
                 "the run's conversion did not give 24 bits, 256 x 256");
    for (int y = 0; y < 256; ++y) {
        const std::uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < 256; ++x) {
            std::uint8_t expected[3] = {0, 0, 0};
            if (x < p.width && y < p.height)
                colour_of(p, x, y, expected);
            VELD_PROMISE(std::equal(expected, expected + 3, row + 3 * x),
                         "converted pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                             ") is not the source's");
        }
    }
}

}  // namespace

InputOutcome check_bmp_input(const std::uint8_t* data, std::size_t size) {
    BmpPicture picture;
    try {
        picture = decode_bmp(data, size);
    } catch (const EInvalidGraphic& e) {
        VELD_PROMISE(e.what()[0] != '\0', "a refusal without a message");
        return InputOutcome::Refused;
    }
    check_conventions(picture);
    check_round_trip(picture);
    check_as_run_source(data, size, picture);
    return InputOutcome::Decoded;
}
