#pragma once
// The photographs' BMP files as byte arrays, generated at build time by embed_file.cmake from
// data/photographs. Internal to the samples library.

#include <cstddef>

namespace photograph_data {

extern const unsigned char jupiter[];
extern const std::size_t jupiter_size;
extern const unsigned char saturn[];
extern const std::size_t saturn_size;
extern const unsigned char moon[];
extern const std::size_t moon_size;

}  // namespace photograph_data
