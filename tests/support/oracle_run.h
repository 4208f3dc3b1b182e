#pragma once
// A plain, step-by-step transcription of one filter run over its own buffers: the reference
// that the program's pictures must equal bit for bit.

#include <array>
#include <cstdint>
#include <vector>

struct OracleField {
    // [x][y], 256 x 256; the imaginary part carries over from one run to the next.
    std::vector<std::vector<double>> re, im;
    OracleField();
};

struct OracleRun {
    bool zero_maximum = false;
    std::vector<std::uint8_t> spectrum;  // Image2: 24-bit top-down, the curve drawn over it
    std::vector<std::uint8_t> output;    // Image3; empty when the run stopped at the maximum
    double profile[400];
};

// blue: [y * 256 + x]. positions: the twelve slider positions.
OracleRun oracle_run(const std::vector<std::uint8_t>& blue, const std::array<int, 12>& positions,
                     OracleField& field);
