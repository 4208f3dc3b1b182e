// The BMP codec: header fields as written, the stored row order and padding, write-then-read
// round trips, hand-built files read as other writers lay them out, and malformed files refused
// with a message that names the fault.

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "bmp.h"
#include "exceptions.h"
#include "stored_fields.h"

namespace {

using Bytes = std::vector<std::uint8_t>;

void set32(Bytes& file, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        file[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}
void set16(Bytes& file, std::size_t offset, std::uint32_t value) {
    file[offset] = static_cast<std::uint8_t>(value);
    file[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

// Deterministic filler, so that a row or byte out of place shows.
Bytes pattern(std::size_t count, std::uint32_t seed, std::uint32_t modulus = 256) {
    Bytes out(count);
    std::uint32_t state = seed * 2654435761u + 1;
    for (auto& b : out) {
        state = state * 1664525u + 1013904223u;
        b = static_cast<std::uint8_t>((state >> 24) % modulus);
    }
    return out;
}

BmpPicture make_picture(int width, int height, int bits, std::size_t palette_size,
                        std::uint32_t seed) {
    BmpPicture p;
    p.width = width;
    p.height = height;
    p.bits_per_pixel = bits;
    const std::size_t bytes = static_cast<std::size_t>(width) * height * (bits / 8);
    p.pixels = pattern(bytes, seed, bits == 8 ? static_cast<std::uint32_t>(palette_size) : 256);
    for (std::size_t i = 0; i < palette_size; ++i)
        p.palette.push_back(0x00FFFFFFu & (0x123457u * (i + 1)));
    return p;
}

std::string refusal_of(const Bytes& file) {
    try {
        decode_bmp(file.data(), file.size());
    } catch (const EInvalidGraphic& e) {
        return e.what();
    }
    return "(accepted)";
}

// ---------------------------------------------------------------------------------------------
// Header fields written for the two stored forms of the samples.

TEST(EncodeBmp, HeaderFieldsOfThe256SquareForms) {
    struct Case {
        int bits;
        std::int32_t resolution;
        std::uint32_t file_size, pixel_offset, image_size, colours;
    } cases[] = {
        {24, 0, 196662, 54, 196608, 0},
        {24, 2834, 196662, 54, 196608, 0},
        {8, 2834, 66614, 1078, 65536, 256},
        {8, 0, 66614, 1078, 65536, 256},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE("bits " + std::to_string(c.bits) + ", resolution " +
                     std::to_string(c.resolution));
        BmpPicture p = make_picture(256, 256, c.bits, c.bits == 8 ? 256 : 0, 7);
        p.x_pixels_per_metre = c.resolution;
        p.y_pixels_per_metre = c.resolution;
        const Bytes file = encode_bmp(p);
        ASSERT_EQ(file.size(), c.file_size);
        EXPECT_EQ(file[0], 'B');
        EXPECT_EQ(file[1], 'M');
        EXPECT_EQ(field32(file, 2), c.file_size);
        EXPECT_EQ(field16(file, 6), 0u);
        EXPECT_EQ(field16(file, 8), 0u);
        EXPECT_EQ(field32(file, 10), c.pixel_offset);
        EXPECT_EQ(field32(file, 14), 40u);
        EXPECT_EQ(field32(file, 18), 256u);
        EXPECT_EQ(field32(file, 22), 256u);
        EXPECT_EQ(field16(file, 26), 1u);
        EXPECT_EQ(field16(file, 28), static_cast<std::uint32_t>(c.bits));
        EXPECT_EQ(field32(file, 30), 0u);
        EXPECT_EQ(field32(file, 34), c.image_size);
        EXPECT_EQ(field32(file, 38), static_cast<std::uint32_t>(c.resolution));
        EXPECT_EQ(field32(file, 42), static_cast<std::uint32_t>(c.resolution));
        EXPECT_EQ(field32(file, 46), c.colours);
        EXPECT_EQ(field32(file, 50), c.colours);
    }
}

TEST(EncodeBmp, PaletteEntriesAreBlueGreenRedZeroPaddedWithBlackTo256) {
    BmpPicture p = make_picture(4, 4, 8, 3, 1);
    p.palette = {0x00102030u, 0x00A0B0C0u, 0xFFFFFFFFu};  // the top byte is not part of a colour
    const Bytes file = encode_bmp(p);
    ASSERT_EQ(file.size(), 1078u + 16u);
    const std::uint8_t expected_first[] = {0x30, 0x20, 0x10, 0,    0xC0, 0xB0,
                                           0xA0, 0,    0xFF, 0xFF, 0xFF, 0};
    for (std::size_t i = 0; i < sizeof expected_first; ++i) {
        SCOPED_TRACE("palette byte " + std::to_string(i));
        EXPECT_EQ(file[54 + i], expected_first[i]);
    }
    for (std::size_t i = 54 + sizeof expected_first; i < 1078; ++i)
        ASSERT_EQ(file[i], 0) << "palette byte " << i - 54;
}

// The stored layout checked byte by byte, independently of the decoder: rows bottom-up, each
// padded with zeros to a multiple of 4.
TEST(EncodeBmp, RowsAreStoredBottomUpAndPaddedToFourBytes) {
    struct Case {
        int width, height, bits;
        std::size_t stored_row;
    } cases[] = {
        {1, 1, 24, 4}, {1, 3, 24, 4}, {2, 2, 24, 8}, {3, 2, 24, 12}, {5, 3, 24, 16},
        {1, 2, 8, 4},  {3, 3, 8, 4},  {4, 2, 8, 4},  {5, 4, 8, 8},   {255, 2, 8, 256},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + " at " +
                     std::to_string(c.bits));
        const BmpPicture p =
            make_picture(c.width, c.height, c.bits, c.bits == 8 ? 256 : 0, c.width * 31 + c.height);
        const Bytes file = encode_bmp(p);
        const std::size_t offset = c.bits == 8 ? 1078 : 54;
        ASSERT_EQ(file.size(), offset + c.stored_row * c.height);
        EXPECT_EQ(field32(file, 34), c.stored_row * c.height);
        const std::size_t packed = static_cast<std::size_t>(c.width) * (c.bits / 8);
        for (int y = 0; y < c.height; ++y) {
            const std::size_t row_start = offset + (c.height - 1 - y) * c.stored_row;
            for (std::size_t i = 0; i < packed; ++i)
                ASSERT_EQ(file[row_start + i], p.pixels[y * packed + i])
                    << "row " << y << " byte " << i;
            for (std::size_t i = packed; i < c.stored_row; ++i)
                ASSERT_EQ(file[row_start + i], 0) << "padding of row " << y;
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Write, then read.

TEST(BmpRoundTrip, DecodeGivesBackWhatWasEncoded) {
    struct Case {
        const char* name;
        int width, height, bits;
        std::size_t palette_size;
        std::int32_t x_res, y_res;
    } cases[] = {
        {"24-bit sample form", 256, 256, 24, 0, 0, 0},
        {"24-bit photograph form", 256, 256, 24, 0, 2834, 2834},
        {"24-bit single pixel", 1, 1, 24, 0, 1, 2},
        {"24-bit odd width, padded rows", 7, 5, 24, 0, 3780, 3779},
        {"24-bit one column", 1, 9, 24, 0, 0, 0},
        {"24-bit one row", 13, 1, 24, 0, -1, 0},
        {"8-bit sample form", 256, 256, 8, 256, 2834, 2834},
        {"8-bit odd width, padded rows", 3, 6, 8, 256, 0, 0},
        {"8-bit odd width, short palette", 11, 4, 8, 5, 100, -100},
        {"8-bit single colour", 2, 2, 8, 1, 0, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        BmpPicture p =
            make_picture(c.width, c.height, c.bits, c.palette_size, c.width + 100 * c.height);
        p.x_pixels_per_metre = c.x_res;
        p.y_pixels_per_metre = c.y_res;
        const Bytes file = encode_bmp(p);
        const BmpPicture back = decode_bmp(file.data(), file.size());
        EXPECT_EQ(back.width, c.width);
        EXPECT_EQ(back.height, c.height);
        EXPECT_EQ(back.bits_per_pixel, c.bits);
        EXPECT_EQ(back.x_pixels_per_metre, c.x_res);
        EXPECT_EQ(back.y_pixels_per_metre, c.y_res);
        EXPECT_EQ(back.pixels, p.pixels);
        if (c.bits == 24) {
            EXPECT_TRUE(back.palette.empty());
        } else {
            // The file always carries 256 entries; those beyond the picture's own are black.
            ASSERT_EQ(back.palette.size(), 256u);
            for (std::size_t i = 0; i < 256; ++i)
                ASSERT_EQ(back.palette[i], i < p.palette.size() ? p.palette[i] : 0u)
                    << "entry " << i;
        }
        EXPECT_EQ(encode_bmp(back), file) << "a second encoding differs from the first";
    }
}

// ---------------------------------------------------------------------------------------------
// Files laid out by hand, the way other writers may store them.

// A 3 x 2 picture at 24 bits: 9 bytes per row, stored padded to 12, padding not zero.
TEST(DecodeBmp, ReadsHandBuiltTwentyFourBitFileAndSkipsPadding) {
    Bytes file(54 + 24, 0);
    file[0] = 'B';
    file[1] = 'M';
    set32(file, 2, static_cast<std::uint32_t>(file.size()));
    set32(file, 10, 54);
    set32(file, 14, 40);
    set32(file, 18, 3);
    set32(file, 22, 2);
    set16(file, 26, 1);
    set16(file, 28, 24);
    set32(file, 38, 2834);
    set32(file, 42, 1417);
    const std::uint8_t bottom[12] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 0xEE, 0xEE, 0xEE};
    const std::uint8_t top[12] = {11, 12, 13, 14, 15, 16, 17, 18, 19, 0xDD, 0xDD, 0xDD};
    std::memcpy(file.data() + 54, bottom, 12);
    std::memcpy(file.data() + 66, top, 12);

    const BmpPicture p = decode_bmp(file.data(), file.size());
    EXPECT_EQ(p.width, 3);
    EXPECT_EQ(p.height, 2);
    EXPECT_EQ(p.bits_per_pixel, 24);
    EXPECT_EQ(p.x_pixels_per_metre, 2834);
    EXPECT_EQ(p.y_pixels_per_metre, 1417);
    EXPECT_EQ(p.pixels, (Bytes{11, 12, 13, 14, 15, 16, 17, 18, 19, 1, 2, 3, 4, 5, 6, 7, 8, 9}));
}

// An 8-bit file with a short palette, a gap before the pixels, a longer info header or trailing
// bytes: all read the same picture.
TEST(DecodeBmp, ReadsEightBitFilesInTheirVariousLayouts) {
    struct Case {
        const char* name;
        std::uint32_t info_header_size;
        std::uint32_t colours_used;  // 0: all 256
        std::size_t gap_before_pixels;
        std::size_t trailing_bytes;
        bool image_size_zero;
    } cases[] = {
        {"short palette", 40, 4, 0, 0, false},
        {"full palette by default", 40, 0, 0, 0, false},
        {"gap before the pixels", 40, 4, 10, 0, false},
        {"trailing bytes", 40, 4, 0, 7, false},
        {"image size left 0", 40, 4, 0, 0, true},
        {"124-byte info header", 124, 4, 0, 0, false},
        {"108-byte info header", 108, 0, 3, 0, false},
    };
    const std::uint32_t palette_colours[4] = {0x000000u, 0x336699u, 0xFF0000u, 0x00FF00u};
    for (const Case& c : cases) {
        SCOPED_TRACE(c.name);
        const std::size_t entries = c.colours_used == 0 ? 256 : c.colours_used;
        const std::size_t offset = 14 + c.info_header_size + 4 * entries + c.gap_before_pixels;
        Bytes file(offset + 2 * 4 + c.trailing_bytes, 0x5A);
        std::fill(file.begin() + 14, file.begin() + 14 + c.info_header_size, 0);
        file[0] = 'B';
        file[1] = 'M';
        set32(file, 2, static_cast<std::uint32_t>(file.size()));
        set32(file, 6, 0);
        set32(file, 10, static_cast<std::uint32_t>(offset));
        set32(file, 14, c.info_header_size);
        set32(file, 18, 3);
        set32(file, 22, 2);
        set16(file, 26, 1);
        set16(file, 28, 8);
        set32(file, 34, c.image_size_zero ? 0 : 8);
        set32(file, 46, c.colours_used);
        for (std::size_t i = 0; i < entries; ++i) {
            const std::uint32_t colour =
                i < 4 ? palette_colours[i] : static_cast<std::uint32_t>(i * 0x010101u);
            const std::size_t at = 14 + c.info_header_size + 4 * i;
            file[at] = static_cast<std::uint8_t>(colour);
            file[at + 1] = static_cast<std::uint8_t>(colour >> 8);
            file[at + 2] = static_cast<std::uint8_t>(colour >> 16);
            file[at + 3] = 0;
        }
        const std::uint8_t rows[8] = {3, 2, 1, 0x77, /* top: */ 0, 1, 2, 0x77};
        std::memcpy(file.data() + offset, rows, 8);

        const BmpPicture p = decode_bmp(file.data(), file.size());
        EXPECT_EQ(p.width, 3);
        EXPECT_EQ(p.height, 2);
        EXPECT_EQ(p.bits_per_pixel, 8);
        EXPECT_EQ(p.pixels, (Bytes{0, 1, 2, 3, 2, 1}));
        ASSERT_EQ(p.palette.size(), entries);
        for (std::size_t i = 0; i < 4; ++i)
            EXPECT_EQ(p.palette[i], palette_colours[i]) << "entry " << i;
    }
}

// ---------------------------------------------------------------------------------------------
// Malformed files, each built by changing one good file.

struct Malformed {
    const char* name;
    bool eight_bit;  // which good file to start from
    std::function<void(Bytes&)> damage;
    const char* message;  // part of what the refusal says
};

// A 4 x 3 picture at 24 bits (12-byte rows, 90 bytes) and a 3 x 2 one at 8 bits with 256
// palette entries (4-byte rows, 1086 bytes).
Bytes good_file(bool eight_bit) {
    return eight_bit ? encode_bmp(make_picture(3, 2, 8, 256, 5))
                     : encode_bmp(make_picture(4, 3, 24, 0, 9));
}

void truncate_keeping_declared_size(Bytes& f, std::size_t size) {
    f.resize(size);
    set32(f, 2, static_cast<std::uint32_t>(size));
}

// The 8-bit good file cut down to a 4-colour palette, every pixel index 0 so that it still fits.
void use_first_four_colours(Bytes& f) {
    set32(f, 46, 4);
    std::fill(f.begin() + 1078, f.end(), 0);
}

TEST(DecodeBmp, RefusesEachMalformedFileWithItsOwnMessage) {
    const Malformed cases[] = {
        {"empty", false, [](Bytes& f) { f.clear(); }, "truncated file"},
        {"one byte", false, [](Bytes& f) { f.resize(1); }, "truncated file"},
        {"signature BA", false, [](Bytes& f) { f[1] = 'A'; }, "wrong signature"},
        {"signature in lower case", false,
         [](Bytes& f) {
             f[0] = 'b';
             f[1] = 'm';
         },
         "wrong signature"},
        {"file header only", false, [](Bytes& f) { f.resize(14); }, "truncated file header"},
        {"cut inside the info header size", false, [](Bytes& f) { f.resize(16); },
         "truncated file header"},
        {"cut inside the info header", false, [](Bytes& f) { f.resize(40); },
         "truncated info header"},
        {"longer info header than the file", false, [](Bytes& f) { set32(f, 14, 124); },
         "truncated info header"},
        {"core info header", false, [](Bytes& f) { set32(f, 14, 12); },
         "unsupported info header size 12"},
        {"info header size 0", false, [](Bytes& f) { set32(f, 14, 0); },
         "unsupported info header size 0"},
        {"info header size huge", false, [](Bytes& f) { set32(f, 14, 0xFFFFFFFFu); },
         "unsupported info header size 4294967295"},
        {"declared file size one too many", false,
         [](Bytes& f) { set32(f, 2, static_cast<std::uint32_t>(f.size() + 1)); },
         "declared file size 91 exceeds the 90-byte file"},
        {"declared file size huge", false, [](Bytes& f) { set32(f, 2, 0xFFFFFFFFu); },
         "declared file size"},
        {"width 0", false, [](Bytes& f) { set32(f, 18, 0); }, "width 0 is not positive"},
        {"width negative", false, [](Bytes& f) { set32(f, 18, static_cast<std::uint32_t>(-4)); },
         "width -4 is not positive"},
        {"height 0", false, [](Bytes& f) { set32(f, 22, 0); }, "height is zero"},
        {"height negative (top-down)", false,
         [](Bytes& f) { set32(f, 22, static_cast<std::uint32_t>(-3)); }, "negative height -3"},
        {"height most negative", false, [](Bytes& f) { set32(f, 22, 0x80000000u); },
         "negative height -2147483648"},
        {"width past the side limit", false, [](Bytes& f) { set32(f, 18, 16385); },
         "width 16385 exceeds the limit"},
        {"width largest", false, [](Bytes& f) { set32(f, 18, 0x7FFFFFFFu); },
         "width 2147483647 exceeds the limit"},
        {"height past the side limit", false, [](Bytes& f) { set32(f, 22, 20000); },
         "height 20000 exceeds the limit"},
        {"too many pixels", false,
         [](Bytes& f) {
             set32(f, 18, 16384);
             set32(f, 22, 16384);
         },
         "16384 x 16384 pixels exceed the limit"},
        {"planes 0", false, [](Bytes& f) { set16(f, 26, 0); }, "planes 0, expected 1"},
        {"planes 2", false, [](Bytes& f) { set16(f, 26, 2); }, "planes 2, expected 1"},
        {"32 bits per pixel", false, [](Bytes& f) { set16(f, 28, 32); },
         "unsupported bit depth 32"},
        {"16 bits per pixel", false, [](Bytes& f) { set16(f, 28, 16); },
         "unsupported bit depth 16"},
        {"1 bit per pixel", true, [](Bytes& f) { set16(f, 28, 1); }, "unsupported bit depth 1"},
        {"0 bits per pixel", false, [](Bytes& f) { set16(f, 28, 0); }, "unsupported bit depth 0"},
        {"run-length coded", true, [](Bytes& f) { set32(f, 30, 1); }, "unsupported compression 1"},
        {"bit fields", false, [](Bytes& f) { set32(f, 30, 3); }, "unsupported compression 3"},
        {"pixel offset 0", false, [](Bytes& f) { set32(f, 10, 0); },
         "pixel data offset 0 overlaps the headers"},
        {"pixel offset inside the info header", false, [](Bytes& f) { set32(f, 10, 53); },
         "pixel data offset 53 overlaps the headers"},
        {"pixel offset past the end", false, [](Bytes& f) { set32(f, 10, 0xFFFFFFF0u); },
         "pixel data of 3 rows of 12 bytes at offset 4294967280 runs past the end"},
        {"pixel offset one too far", false, [](Bytes& f) { set32(f, 10, 55); },
         "runs past the end of the 90-byte file"},
        {"last byte missing", false,
         [](Bytes& f) { truncate_keeping_declared_size(f, f.size() - 1); },
         "pixel data of 3 rows of 12 bytes at offset 54 runs past the end of the 89-byte file"},
        {"last row missing", true,
         [](Bytes& f) { truncate_keeping_declared_size(f, f.size() - 4); },
         "pixel data of 2 rows of 4 bytes at offset 1078 runs past the end"},
        {"more rows declared than stored", false, [](Bytes& f) { set32(f, 22, 4); },
         "pixel data of 4 rows of 12 bytes"},
        {"wider than stored", false, [](Bytes& f) { set32(f, 18, 5); },
         "pixel data of 3 rows of 16 bytes"},
        {"image size past the end", false, [](Bytes& f) { set32(f, 34, 0xFFFFFFFFu); },
         "declared image size 4294967295 at offset 54 does not fit"},
        {"image size one too many", false, [](Bytes& f) { set32(f, 34, 37); },
         "declared image size 37 at offset 54"},
        {"image size too small", false, [](Bytes& f) { set32(f, 34, 35); },
         "declared image size 35 is smaller than the 36 bytes"},
        {"257 colours", true, [](Bytes& f) { set32(f, 46, 257); },
         "palette of 257 colours exceeds 256"},
        {"colour count huge", true, [](Bytes& f) { set32(f, 46, 0xFFFFFFFFu); },
         "palette of 4294967295 colours exceeds"},
        {"palette runs into the pixels", true, [](Bytes& f) { set32(f, 10, 1000); },
         "palette of 256 colours does not fit before the pixel data at offset 1000"},
        {"short palette runs into the pixels", true,
         [](Bytes& f) {
             set32(f, 46, 2);
             set32(f, 10, 61);
         },
         "palette of 2 colours does not fit before the pixel data at offset 61"},
        {"index beyond a short palette", true,
         [](Bytes& f) {
             use_first_four_colours(f);
             f[1078 + 4 + 1] = 200;
         },
         "pixel (1, 0) has palette index 200 beyond the 4 colours"},
        {"index just beyond a short palette", true,
         [](Bytes& f) {
             use_first_four_colours(f);
             f[1078 + 2] = 4;
         },
         "pixel (2, 1) has palette index 4 beyond the 4 colours"},
    };
    for (const Malformed& c : cases) {
        SCOPED_TRACE(c.name);
        Bytes file = good_file(c.eight_bit);
        ASSERT_NO_THROW(decode_bmp(file.data(), file.size()));
        c.damage(file);
        const std::string message = refusal_of(file);
        EXPECT_NE(message.find(c.message), std::string::npos) << "message: " << message;
    }
}

TEST(DecodeBmp, RefusesNoInputAtAll) {
    EXPECT_THROW(decode_bmp(nullptr, 0), EInvalidGraphic);
    EXPECT_THROW(decode_bmp(nullptr, 100), EInvalidGraphic);
}

// Every proper prefix of a good file is refused, whether or not its declared size was cut too.
TEST(DecodeBmp, RefusesEveryTruncation) {
    for (bool eight_bit : {false, true}) {
        SCOPED_TRACE(eight_bit ? "8-bit" : "24-bit");
        const Bytes file = good_file(eight_bit);
        for (std::size_t size = 0; size < file.size(); ++size) {
            Bytes cut(file.begin(), file.begin() + static_cast<std::ptrdiff_t>(size));
            EXPECT_THROW(decode_bmp(cut.data(), cut.size()), EInvalidGraphic) << "size " << size;
            if (size >= 6) {
                set32(cut, 2, static_cast<std::uint32_t>(size));
                EXPECT_THROW(decode_bmp(cut.data(), cut.size()), EInvalidGraphic)
                    << "size " << size << ", declared";
            }
        }
    }
}

// Any single header byte set to any of a few telling values: either a consistent picture or a
// refusal, never another exception and never a read outside the input (the sanitizer build
// watches the latter).
TEST(DecodeBmp, SurvivesEveryHeaderByteChanged) {
    for (bool eight_bit : {false, true}) {
        const Bytes good = good_file(eight_bit);
        const std::size_t header_end = eight_bit ? 1078 : 54;
        for (std::size_t at = 0; at < header_end; ++at) {
            for (std::uint8_t value : {0x00, 0x01, 0x7F, 0x80, 0xFF}) {
                Bytes file = good;
                file[at] = value;
                try {
                    const BmpPicture p = decode_bmp(file.data(), file.size());
                    ASSERT_TRUE(p.bits_per_pixel == 24 || p.bits_per_pixel == 8);
                    ASSERT_GT(p.width, 0);
                    ASSERT_GT(p.height, 0);
                    ASSERT_EQ(p.pixels.size(),
                              static_cast<std::size_t>(p.width) * p.height * (p.bits_per_pixel / 8))
                        << "byte " << at << " = " << int{value};
                    if (p.bits_per_pixel == 8) {
                        for (std::uint8_t index : p.pixels)
                            ASSERT_LT(index, p.palette.size());
                    }
                } catch (const EInvalidGraphic&) {
                }
            }
        }
    }
}

// ---------------------------------------------------------------------------------------------
// Pictures that cannot be written.

TEST(EncodeBmp, RefusesPicturesThatBreakTheirConventions) {
    struct Case {
        const char* name;
        std::function<void(BmpPicture&)> damage;
        const char* message;
    } cases[] = {
        {"16 bits per pixel", [](BmpPicture& p) { p.bits_per_pixel = 16; },
         "cannot encode bit depth 16"},
        {"width 0",
         [](BmpPicture& p) {
             p.width = 0;
             p.pixels.clear();
         },
         "width 0 is not positive"},
        {"height negative", [](BmpPicture& p) { p.height = -2; }, "negative height -2"},
        {"too wide", [](BmpPicture& p) { p.width = 16385; }, "width 16385 exceeds"},
        {"one pixel byte short", [](BmpPicture& p) { p.pixels.pop_back(); },
         "pixel buffer holds 35 bytes"},
        {"one pixel byte too many", [](BmpPicture& p) { p.pixels.push_back(0); }, "needs 36"},
        {"palette on a 24-bit picture", [](BmpPicture& p) { p.palette.push_back(0); },
         "a 24-bit picture has no palette"},
        {"257 palette entries",
         [](BmpPicture& p) {
             p.bits_per_pixel = 8;
             p.pixels.resize(12);
             p.palette.assign(257, 0);
         },
         "palette of 257 colours exceeds 256"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.name);
        BmpPicture p = make_picture(4, 3, 24, 0, 3);
        ASSERT_NO_THROW(encode_bmp(p));
        c.damage(p);
        try {
            encode_bmp(p);
            ADD_FAILURE() << "accepted";
        } catch (const EInvalidGraphic& e) {
            EXPECT_NE(std::string(e.what()).find(c.message), std::string::npos)
                << "message: " << e.what();
        }
    }
}

}  // namespace
