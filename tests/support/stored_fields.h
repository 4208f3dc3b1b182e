#pragma once
// Fields of a stored file, little-endian, read at their byte offset: for checking a file's
// layout byte by byte, independently of the decoder that reads it.

#include <cstddef>
#include <cstdint>
#include <vector>

inline std::uint32_t field32(const std::vector<std::uint8_t>& file, std::size_t offset) {
    return std::uint32_t{file[offset]} | std::uint32_t{file[offset + 1]} << 8 |
           std::uint32_t{file[offset + 2]} << 16 | std::uint32_t{file[offset + 3]} << 24;
}

inline std::uint32_t field16(const std::vector<std::uint8_t>& file, std::size_t offset) {
    return std::uint32_t{file[offset]} | std::uint32_t{file[offset + 1]} << 8;
}
