#pragma once
// The scalar reference of one filter run: every step written out plainly, one element at a time,
// over buffers of its own. The program's pictures must equal it bit for bit.

#include <array>
#include <cstdint>
#include <vector>

struct ReferenceField {
    // [x][y], 256 x 256; the imaginary part carries over from one run to the next.
    std::vector<std::vector<double>> re, im;
    ReferenceField();
};

struct ReferenceRun {
    bool zero_maximum = false;
    std::vector<std::uint8_t> spectrum;  // Image2: 24-bit top-down, the curve drawn over it
    std::vector<std::uint8_t> output;    // Image3; empty when the run stopped at the maximum
    double profile[400];
};

// blue: [y * 256 + x]. positions: the twelve slider positions.
ReferenceRun reference_run(const std::vector<std::uint8_t>& blue,
                           const std::array<int, 12>& positions, ReferenceField& field);
