#pragma once
// The peer: one whole filter run written on FFTW's 256 x 256 complex transform, as someone
// would write it who had that library at hand. It computes the same pictures as the program
// (to within rounding, not bit for bit) and shares no numeric code or buffer with it; only the
// toolkit's bitmap and canvas are common, so that the comparison is about the numeric work.
//
// Layout. The field is one contiguous array in scan-line order, element [x][y] at y * 256 + x.
// The centred transform is symmetric in its two indices, so storing it transposed relative to
// the program's [x][y] matrices changes nothing but makes every picture read and write run
// along a scan line.
//
// Centring. The program's transform is
//   out[k1][k2] = (1/N^2) sum z[p1][p2] e^(+2 pi i ((p1-h)(k1-h) + (p2-h)(k2-h)) / N),
// and with h = N/2 the shifts expand to a factor (-1)^(p1+p2) on the input and (-1)^(k1+k2) on
// the output (e^(2 pi i h^2 / N) = 1 for N = 256). The exponent is positive, which is FFTW's
// BACKWARD direction, unnormalised, so 1/N^2 is applied by hand. Between the two transforms of
// a run the output sign of the first and the input sign of the second cancel.

#include <array>
#include <cstdint>

#include <fftw3.h>

#include "graphics.h"

class FftwPeer {
public:
    static constexpr int n = 256;
    static constexpr int bins = 400;

    // Plans the in-place transform with FFTW_MEASURE; takes a moment, once.
    FftwPeer();
    ~FftwPeer();
    FftwPeer(const FftwPeer&) = delete;
    FftwPeer& operator=(const FftwPeer&) = delete;

    // One run: the blue bytes of the 24-bit 256 x 256 source in, the spectrum picture with its
    // red profile curve and the grey output picture out (both 24-bit 256 x 256). Returns false,
    // leaving the output picture untouched, when the back-transformed field has no positive
    // value. The imaginary part starts at zero in every run.
    bool run(const TBitmap& source, const std::array<int, 12>& positions, TBitmap& spectrum,
             TBitmap& output);

    // The centred transform alone on the peer's own field, with the 1/N^2 scaling and both
    // sign passes: the counterpart of one fft2d_centred call.
    void centred_transform();
    // Element [x][y] of the field; for loading and reading back around centred_transform.
    fftw_complex& at(int x, int y) { return field_[y * n + x]; }

    const double* profile() const { return profile_; }

private:
    fftw_complex* field_ = nullptr;
    fftw_plan plan_ = nullptr;
    std::uint8_t band_[n * n];  // band 0 ... 11 of each position, centre [128][128]
    std::uint16_t bin_[n * n];  // whole-pixel distance from (127.5, 127.5)
    double profile_[bins];
};
