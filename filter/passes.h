#pragma once
// Internal: the passes of a run over the whole image_size x image_size field, fused where the steps
// of the run let them be, in a portable form (the x86-64 baseline) and with AVX-512 where the
// processor has it. Not part of the filter's interface; engine.cpp chooses among them. Every pass
// gives the bytes and values of the steps it stands for, element by element; only the order in
// which independent elements are computed changes.

#include <cstdint>

#include "buffers.h"
#include "numeric.h"

namespace filter_detail {

// capture_blue then fill_field: plane[x][y] and re[x][y] from the blue byte of source pixel
// (x, y). rows: the image_size source rows, 24 bits per pixel.
struct CaptureJob {
    const std::uint8_t* const* rows;
    IntMatrix plane;
    RealMatrix re;
};

// The band gains, the spectrum picture and the radial profile in one pass, i outer and j inner.
// Every element is multiplied by factors[bands[i][j]] and stored back; its magnitude is kept in
// magnitudes, gives the three colour bytes of pixel (i, j) and is added to profile[bins[i][j]]
// in the profile's order.
// The pass never throws: what the steps one by one would have stopped at is reported in
// Findings, and the caller decides. The colour bytes are then meaningless, the profile too.
struct SpectrumJob {
    const double* factors;      // one per band
    IntMatrix bands;            // the band map
    const std::uint16_t* bins;  // [i * image_size + j]: whole-pixel distance from the centre
    RealMatrix re;
    RealMatrix im;
    std::uint8_t* const* rows;  // the rows of the 24-bit spectrum picture
    double* profile;            // 400 sums, zero on entry
    double* magnitudes;         // [i * image_size + j]: each element's magnitude, 64-byte aligned
};

struct Findings {
    bool gains_invalid = false;   // a gain product was an invalid operation (0 times infinity)
    bool gains_overflow = false;  // a finite element overflowed when multiplied by its gain
    bool colour_invalid = false;  // a colour value was NaN or outside the conversion's range
};

// output_intensities then output_pixels over a normalised field: plane[i][j] takes
// to_int(|255 re[i][j]|) and pixel (255 - i, 255 - j) its low byte, grey. A value that to_int
// refuses raises MathError(InvalidOp) at that element, with the elements before it in i, j order
// written, as the step does.
struct OutputJob {
    RealMatrix re;
    IntMatrix plane;
    std::uint8_t* const* rows;  // the rows of the 24-bit output picture
};

struct PassSet {
    const char* name;
    void (*capture)(const CaptureJob& job);
    Findings (*spectrum)(const SpectrumJob& job);
    void (*output)(const OutputJob& job);
};

const PassSet& portable_passes();
// Only where the processor runs AVX-512F.
const PassSet& avx512_passes();

// Shared by both sets: the exact treatment of one element that the fast test did not clear.
// Multiplies *re and *im by factor, records what the products met, and returns the colour word
// (blue | green << 8 | red << 16) of the magnitude, which is also stored in *magnitude.
std::uint32_t spectrum_element_slowly(double factor, double* re, double* im, double* magnitude,
                                      Findings& findings);
// One output element as the step computes it (to_int may throw); returns its level.
std::int32_t output_element_slowly(double value);
// Adds a row of magnitudes to the profile in j order.
inline void add_profile_row(const double* magnitudes, const std::uint16_t* bins, double* profile) {
    for (int j = 0; j < image_size; ++j)
        profile[bins[j]] += magnitudes[j];
}

}  // namespace filter_detail
