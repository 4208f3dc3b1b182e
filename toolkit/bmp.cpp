#include "bmp.h"

#include <string>

#include "exceptions.h"

namespace {

constexpr std::size_t file_header_size = 14;
constexpr std::uint32_t written_info_header_size = 40;
constexpr std::uint32_t max_palette_entries = 256;
constexpr std::size_t palette_entry_size = 4;  // blue, green, red, 0

// Byte offsets inside the file, counted from its first byte.
constexpr std::size_t at_signature = 0;
constexpr std::size_t at_file_size = 2;
constexpr std::size_t at_pixel_offset = 10;
constexpr std::size_t at_info_header_size = 14;
constexpr std::size_t at_width = 18;
constexpr std::size_t at_height = 22;
constexpr std::size_t at_planes = 26;
constexpr std::size_t at_bits_per_pixel = 28;
constexpr std::size_t at_compression = 30;
constexpr std::size_t at_image_size = 34;
constexpr std::size_t at_x_resolution = 38;
constexpr std::size_t at_y_resolution = 42;
constexpr std::size_t at_colours_used = 46;
constexpr std::size_t at_colours_important = 50;

// The 40-byte info header and its longer successors (with masks, colour space, profile) share
// their first 40 bytes; nothing beyond them matters for an uncompressed picture.
bool is_supported_info_header_size(std::uint32_t size) {
    return size == 40 || size == 52 || size == 56 || size == 108 || size == 124;
}

[[noreturn]] void refuse(const std::string& fault) {
    throw EInvalidGraphic("Invalid BMP: " + fault);
}

// Bytes in one stored row: the pixels, padded with zeros to a multiple of 4.
std::uint64_t stored_row_size(std::uint64_t width, int bits_per_pixel) {
    return (width * static_cast<std::uint64_t>(bits_per_pixel) + 31) / 32 * 4;
}

// Little-endian fields of the input. Every decode step checks its ranges with its own message
// before reading; the check here only guarantees that a mistake in that order can never
// become a read outside the input.
class FieldReader {
public:
    FieldReader(const std::uint8_t* data, std::size_t size) : data_(data), size_(size) {}

    std::uint8_t u8(std::size_t offset) const {
        require(offset, 1);
        return data_[offset];
    }
    std::uint16_t u16(std::size_t offset) const {
        require(offset, 2);
        return static_cast<std::uint16_t>(data_[offset] | data_[offset + 1] << 8);
    }
    std::uint32_t u32(std::size_t offset) const {
        require(offset, 4);
        return static_cast<std::uint32_t>(data_[offset]) |
               static_cast<std::uint32_t>(data_[offset + 1]) << 8 |
               static_cast<std::uint32_t>(data_[offset + 2]) << 16 |
               static_cast<std::uint32_t>(data_[offset + 3]) << 24;
    }
    std::int32_t i32(std::size_t offset) const { return static_cast<std::int32_t>(u32(offset)); }
    const std::uint8_t* bytes(std::size_t offset, std::size_t count) const {
        require(offset, count);
        return data_ + offset;
    }

private:
    void require(std::size_t offset, std::size_t count) const {
        if (offset > size_ || count > size_ - offset)
            refuse("read of " + std::to_string(count) + " bytes at offset " +
                   std::to_string(offset) + " lies outside the " + std::to_string(size_) +
                   "-byte file");
    }

    const std::uint8_t* data_;
    std::size_t size_;
};

void check_dimensions(std::int64_t width, std::int64_t height) {
    if (width <= 0)
        refuse("width " + std::to_string(width) + " is not positive");
    if (height == 0)
        refuse("height is zero");
    if (height < 0)
        refuse("negative height " + std::to_string(height) + " (top-down rows) is not supported");
    if (width > bmp_max_side)
        refuse("width " + std::to_string(width) + " exceeds the limit of " +
               std::to_string(bmp_max_side));
    if (height > bmp_max_side)
        refuse("height " + std::to_string(height) + " exceeds the limit of " +
               std::to_string(bmp_max_side));
    if (width * height > bmp_max_pixels)
        refuse(std::to_string(width) + " x " + std::to_string(height) +
               " pixels exceed the limit of " + std::to_string(bmp_max_pixels));
}

void put_u16(std::vector<std::uint8_t>& out, std::size_t offset, std::uint32_t value) {
    out[offset] = static_cast<std::uint8_t>(value);
    out[offset + 1] = static_cast<std::uint8_t>(value >> 8);
}

void put_u32(std::vector<std::uint8_t>& out, std::size_t offset, std::uint32_t value) {
    for (int i = 0; i < 4; ++i)
        out[offset + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

}  // namespace

BmpPicture decode_bmp(const std::uint8_t* data, std::size_t size) {
    if (data == nullptr)
        size = 0;
    const FieldReader in(data, size);
    const std::string file_size_text = std::to_string(size) + "-byte file";

    if (size < 2)
        refuse("truncated file: " + file_size_text + " has no signature");
    if (in.u8(at_signature) != 'B' || in.u8(at_signature + 1) != 'M')
        refuse("wrong signature, expected \"BM\"");
    if (size < file_header_size + 4)
        refuse("truncated file header: " + file_size_text + " ends before the info header");

    const std::uint32_t info_header_size = in.u32(at_info_header_size);
    if (!is_supported_info_header_size(info_header_size))
        refuse("unsupported info header size " + std::to_string(info_header_size));
    const std::uint64_t headers_end = file_header_size + std::uint64_t{info_header_size};
    if (size < headers_end)
        refuse("truncated info header: " + std::to_string(info_header_size) + " bytes declared, " +
               file_size_text);

    const std::uint32_t declared_file_size = in.u32(at_file_size);
    if (declared_file_size > size)
        refuse("declared file size " + std::to_string(declared_file_size) + " exceeds the " +
               file_size_text);

    const std::int32_t width = in.i32(at_width);
    const std::int32_t height = in.i32(at_height);
    check_dimensions(width, height);

    const std::uint16_t planes = in.u16(at_planes);
    if (planes != 1)
        refuse("planes " + std::to_string(planes) + ", expected 1");
    const std::uint16_t bits_per_pixel = in.u16(at_bits_per_pixel);
    if (bits_per_pixel != 24 && bits_per_pixel != 8)
        refuse("unsupported bit depth " + std::to_string(bits_per_pixel) + ", only 24 and 8");
    const std::uint32_t compression = in.u32(at_compression);
    if (compression != 0)
        refuse("unsupported compression " + std::to_string(compression) +
               ", only uncompressed (0)");

    const std::uint32_t pixel_offset = in.u32(at_pixel_offset);
    if (pixel_offset < headers_end)
        refuse("pixel data offset " + std::to_string(pixel_offset) + " overlaps the headers");
    const std::uint64_t row_size =
        stored_row_size(static_cast<std::uint64_t>(width), bits_per_pixel);
    const std::uint64_t pixel_data_size = row_size * static_cast<std::uint64_t>(height);
    if (pixel_offset + pixel_data_size > size)
        refuse("pixel data of " + std::to_string(height) + " rows of " + std::to_string(row_size) +
               " bytes at offset " + std::to_string(pixel_offset) + " runs past the end of the " +
               file_size_text);

    const std::uint32_t image_size = in.u32(at_image_size);
    if (image_size != 0) {
        if (pixel_offset + std::uint64_t{image_size} > size)
            refuse("declared image size " + std::to_string(image_size) + " at offset " +
                   std::to_string(pixel_offset) + " does not fit the " + file_size_text);
        if (image_size < pixel_data_size)
            refuse("declared image size " + std::to_string(image_size) + " is smaller than the " +
                   std::to_string(pixel_data_size) + " bytes of pixel data");
    }

    BmpPicture picture;
    picture.width = width;
    picture.height = height;
    picture.bits_per_pixel = bits_per_pixel;
    picture.x_pixels_per_metre = in.i32(at_x_resolution);
    picture.y_pixels_per_metre = in.i32(at_y_resolution);

    if (bits_per_pixel == 8) {
        std::uint32_t colours = in.u32(at_colours_used);
        if (colours > max_palette_entries)
            refuse("palette of " + std::to_string(colours) + " colours exceeds " +
                   std::to_string(max_palette_entries));
        if (colours == 0)
            colours = max_palette_entries;
        // The pixel data was checked to lie inside the file, so a palette ending before it does
        // too.
        if (headers_end + std::uint64_t{colours} * palette_entry_size > pixel_offset)
            refuse("palette of " + std::to_string(colours) +
                   " colours does not fit before the pixel data at offset " +
                   std::to_string(pixel_offset));
        picture.palette.resize(colours);
        for (std::uint32_t i = 0; i < colours; ++i) {
            const std::uint8_t* entry =
                in.bytes(headers_end + i * palette_entry_size, palette_entry_size);
            picture.palette[i] =
                std::uint32_t{entry[2]} << 16 | std::uint32_t{entry[1]} << 8 | entry[0];
        }
    }

    const std::size_t packed_row_size = static_cast<std::size_t>(width) * (bits_per_pixel / 8);
    picture.pixels.resize(packed_row_size * static_cast<std::size_t>(height));
    for (std::int32_t y = 0; y < height; ++y) {
        // Stored rows run from the bottom of the picture to its top.
        const std::uint64_t stored_row = static_cast<std::uint64_t>(height - 1 - y);
        const std::uint8_t* source =
            in.bytes(pixel_offset + stored_row * row_size, packed_row_size);
        std::uint8_t* target =
            picture.pixels.data() + static_cast<std::size_t>(y) * packed_row_size;
        for (std::size_t i = 0; i < packed_row_size; ++i)
            target[i] = source[i];
        if (bits_per_pixel == 8) {
            for (std::int32_t x = 0; x < width; ++x) {
                if (target[x] >= picture.palette.size())
                    refuse("pixel (" + std::to_string(x) + ", " + std::to_string(y) +
                           ") has palette index " + std::to_string(target[x]) + " beyond the " +
                           std::to_string(picture.palette.size()) + " colours of the palette");
            }
        }
    }
    return picture;
}

std::vector<std::uint8_t> encode_bmp(const BmpPicture& picture) {
    const int bits = picture.bits_per_pixel;
    if (bits != 24 && bits != 8)
        refuse("cannot encode bit depth " + std::to_string(bits) + ", only 24 and 8");
    check_dimensions(picture.width, picture.height);
    const std::size_t width = static_cast<std::size_t>(picture.width);
    const std::size_t height = static_cast<std::size_t>(picture.height);
    const std::size_t packed_row_size = width * static_cast<std::size_t>(bits / 8);
    if (picture.pixels.size() != packed_row_size * height)
        refuse("pixel buffer holds " + std::to_string(picture.pixels.size()) + " bytes, a " +
               std::to_string(width) + " x " + std::to_string(height) + " picture at " +
               std::to_string(bits) + " bits per pixel needs " +
               std::to_string(packed_row_size * height));
    if (bits == 24 && !picture.palette.empty())
        refuse("a 24-bit picture has no palette");
    if (picture.palette.size() > max_palette_entries)
        refuse("palette of " + std::to_string(picture.palette.size()) + " colours exceeds " +
               std::to_string(max_palette_entries));

    const std::size_t palette_size = bits == 8 ? max_palette_entries * palette_entry_size : 0;
    const std::size_t pixel_offset = file_header_size + written_info_header_size + palette_size;
    const std::size_t row_size = static_cast<std::size_t>(stored_row_size(width, bits));
    const std::size_t image_size = row_size * height;
    const std::uint32_t colours = bits == 8 ? max_palette_entries : 0;

    std::vector<std::uint8_t> out(pixel_offset + image_size, 0);
    out[at_signature] = 'B';
    out[at_signature + 1] = 'M';
    put_u32(out, at_file_size, static_cast<std::uint32_t>(out.size()));
    put_u32(out, at_pixel_offset, static_cast<std::uint32_t>(pixel_offset));
    put_u32(out, at_info_header_size, written_info_header_size);
    put_u32(out, at_width, static_cast<std::uint32_t>(width));
    put_u32(out, at_height, static_cast<std::uint32_t>(height));
    put_u16(out, at_planes, 1);
    put_u16(out, at_bits_per_pixel, static_cast<std::uint32_t>(bits));
    put_u32(out, at_compression, 0);
    put_u32(out, at_image_size, static_cast<std::uint32_t>(image_size));
    put_u32(out, at_x_resolution, static_cast<std::uint32_t>(picture.x_pixels_per_metre));
    put_u32(out, at_y_resolution, static_cast<std::uint32_t>(picture.y_pixels_per_metre));
    put_u32(out, at_colours_used, colours);
    put_u32(out, at_colours_important, colours);

    const std::size_t palette_start = file_header_size + written_info_header_size;
    for (std::size_t i = 0; i < picture.palette.size(); ++i) {
        const std::uint32_t colour = picture.palette[i];
        std::uint8_t* entry = out.data() + palette_start + i * palette_entry_size;
        entry[0] = static_cast<std::uint8_t>(colour);
        entry[1] = static_cast<std::uint8_t>(colour >> 8);
        entry[2] = static_cast<std::uint8_t>(colour >> 16);
    }

    for (std::size_t y = 0; y < height; ++y) {
        const std::uint8_t* source = picture.pixels.data() + y * packed_row_size;
        std::uint8_t* target = out.data() + pixel_offset + (height - 1 - y) * row_size;
        for (std::size_t i = 0; i < packed_row_size; ++i)
            target[i] = source[i];
    }
    return out;
}
