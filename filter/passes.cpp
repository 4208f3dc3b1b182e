// The portable passes: SSE2, the baseline of every x86-64 processor, two elements at a time;
// plain C++ elsewhere. Also the exact per-element treatment that both sets fall back on.
#include "passes.h"

#include <cmath>
#include <cstring>

#include "numeric.h"

#if defined(__x86_64__) || defined(_M_X64)
#define VELD_SSE2_PASSES 1
#include <emmintrin.h>
#endif

namespace filter_detail {

namespace {

constexpr double two_to_63 = 9223372036854775808.0;

// to_int's low byte, or false where to_int would refuse the value.
inline bool low_byte_of(double v, std::uint32_t& byte) {
    if (!(v >= -two_to_63 && v < two_to_63))
        return false;
    byte =
        static_cast<std::uint32_t>(static_cast<std::uint64_t>(static_cast<std::int64_t>(v)) & 0xFF);
    return true;
}

// What the product out = f * in met: an infinity from a finite element is an overflow, a NaN
// from an element that was not one an invalid operation.
inline void note_product(double in, double out, Findings& findings) {
    if (std::isinf(out) && std::isfinite(in))
        findings.gains_overflow = true;
    if (std::isnan(out) && !std::isnan(in))
        findings.gains_invalid = true;
}

void capture_portable(const CaptureJob& job) {
    // Eight source rows at a time, so that each element row of the plane and the field is
    // written eight values at a time instead of one.
    for (int y0 = 0; y0 < image_size; y0 += 8)
        for (int x = 0; x < image_size; ++x) {
            std::int32_t* p = job.plane[x] + y0;
            double* r = job.re[x] + y0;
            for (int k = 0; k < 8; ++k) {
                const std::int32_t v = job.rows[y0 + k][3 * x];
                p[k] = v;
                r[k] = static_cast<double>(v);
            }
        }
}

// Pixel x of a 24-bit row from a colour word; a following pixel of the same run overwrites the
// fourth byte.
inline void put_word(std::uint8_t* px, std::uint32_t word) { std::memcpy(px, &word, 4); }
inline void put_last_word(std::uint8_t* px, std::uint32_t word) {
    px[0] = static_cast<std::uint8_t>(word);
    px[1] = static_cast<std::uint8_t>(word >> 8);
    px[2] = static_cast<std::uint8_t>(word >> 16);
}

// Colour words of rows i0 ... i0 + 7 into picture rows 0 ... 255 at pixels i0 ... i0 + 7.
void put_spectrum_tile(const std::uint32_t (*tile)[image_size], std::uint8_t* const* rows, int i0) {
    for (int j = 0; j < image_size; ++j) {
        std::uint8_t* px = rows[j] + 3 * i0;
        for (int k = 0; k < 7; ++k)
            put_word(px + 3 * k, tile[k][j]);
        put_last_word(px + 21, tile[7][j]);
    }
}

Findings spectrum_portable(const SpectrumJob& job) {
    Findings findings;
    // The profile sums of the row before are added while this row's roots are computed. The
    // row before the first is a row of zeros: adding +0 to a profile that is still all +0
    // leaves it as it is.
    alignas(16) static const double zero_row[image_size] = {};
    alignas(16) std::uint32_t tile[8][image_size];
    double* profile = job.profile;
    const double* previous = zero_row;
    const std::uint16_t* previous_bins = job.bins;
    for (int i0 = 0; i0 < image_size; i0 += 8) {
        for (int k = 0; k < 8; ++k) {
            const int i = i0 + k;
            double* r = job.re[i];
            double* m = job.im[i];
            const std::int32_t* band = job.bands[i];
            std::uint32_t* words = tile[k];
            double* mags = job.magnitudes + i * image_size;
            int j = 0;
#ifdef VELD_SSE2_PASSES
            const __m128d limit = _mm_set1_pd(2147483648.0);
            const __m128i byte = _mm_set1_epi32(0xFF);
            for (; j < image_size; j += 2) {
                const __m128d f = _mm_set_pd(job.factors[band[j + 1]], job.factors[band[j]]);
                const __m128d a = _mm_mul_pd(f, _mm_loadu_pd(r + j));
                const __m128d b = _mm_mul_pd(f, _mm_loadu_pd(m + j));
                const __m128d mag = _mm_sqrt_pd(_mm_add_pd(_mm_mul_pd(a, a), _mm_mul_pd(b, b)));
                const __m128d blue = _mm_mul_pd(mag, _mm_set1_pd(1000));
                profile[previous_bins[j]] += previous[j];
                profile[previous_bins[j + 1]] += previous[j + 1];
                if (_mm_movemask_pd(_mm_cmplt_pd(blue, limit)) != 3) {
                    for (int l = 0; l < 2; ++l)
                        words[j + l] = spectrum_element_slowly(job.factors[band[j + l]], r + j + l,
                                                               m + j + l, mags + j + l, findings);
                    continue;
                }
                _mm_storeu_pd(r + j, a);
                _mm_storeu_pd(m + j, b);
                _mm_store_pd(mags + j, mag);
                const __m128i b8 = _mm_and_si128(_mm_cvttpd_epi32(blue), byte);
                const __m128i g8 =
                    _mm_and_si128(_mm_cvttpd_epi32(_mm_mul_pd(mag, _mm_set1_pd(100))), byte);
                const __m128i r8 =
                    _mm_and_si128(_mm_cvttpd_epi32(_mm_mul_pd(mag, _mm_set1_pd(10))), byte);
                const __m128i w =
                    _mm_or_si128(b8, _mm_or_si128(_mm_slli_epi32(g8, 8), _mm_slli_epi32(r8, 16)));
                _mm_storel_epi64(reinterpret_cast<__m128i*>(words + j), w);
            }
#endif
            for (; j < image_size; ++j) {
                profile[previous_bins[j]] += previous[j];
                words[j] =
                    spectrum_element_slowly(job.factors[band[j]], r + j, m + j, mags + j, findings);
            }
            previous = mags;
            previous_bins = job.bins + i * image_size;
        }
        put_spectrum_tile(tile, job.rows, i0);
    }
    add_profile_row(previous, previous_bins, profile);
    return findings;
}

void output_portable(const OutputJob& job) {
    for (int i0 = 0; i0 < image_size; i0 += 8) {
        for (int i = i0; i < i0 + 8; ++i) {
            const double* r = job.re[i];
            std::int32_t* level = job.plane[i];
            int j = 0;
#ifdef VELD_SSE2_PASSES
            const __m128d limit = _mm_set1_pd(2147483648.0);
            const __m128d magnitude_bits = _mm_castsi128_pd(_mm_set1_epi64x(0x7FFFFFFFFFFFFFFF));
            for (; j < image_size; j += 2) {
                const __m128d v =
                    _mm_and_pd(_mm_mul_pd(_mm_set1_pd(255), _mm_loadu_pd(r + j)), magnitude_bits);
                if (_mm_movemask_pd(_mm_cmplt_pd(v, limit)) != 3) {
                    level[j] = output_element_slowly(r[j]);
                    level[j + 1] = output_element_slowly(r[j + 1]);
                    continue;
                }
                _mm_storel_epi64(reinterpret_cast<__m128i*>(level + j), _mm_cvttpd_epi32(v));
            }
#endif
            for (; j < image_size; ++j)
                level[j] = output_element_slowly(r[j]);
        }
        // Element [i][j] is pixel (255 - i, 255 - j): rows i0 + 7 ... i0 are pixels
        // 248 - i0 ... 255 - i0 of picture row 255 - j.
        const int x0 = image_size - 8 - i0;
        for (int j = 0; j < image_size; ++j) {
            std::uint8_t* px = job.rows[image_size - 1 - j] + 3 * x0;
            for (int k = 0; k < 7; ++k)
                put_word(px + 3 * k, (job.plane[i0 + 7 - k][j] & 0xFF) * 0x010101u);
            put_last_word(px + 21, (job.plane[i0][j] & 0xFF) * 0x010101u);
        }
    }
}

}  // namespace

std::uint32_t spectrum_element_slowly(double factor, double* re, double* im, double* magnitude,
                                      Findings& findings) {
    const double a = factor * *re;
    const double b = factor * *im;
    note_product(*re, a, findings);
    note_product(*im, b, findings);
    *re = a;
    *im = b;
    const double mag = std::sqrt(a * a + b * b);
    *magnitude = mag;
    std::uint32_t blue = 0, green = 0, red = 0;
    if (!low_byte_of(mag * 1000, blue) || !low_byte_of(mag * 100, green) ||
        !low_byte_of(mag * 10, red))
        findings.colour_invalid = true;
    return blue | green << 8 | red << 16;
}

std::int32_t output_element_slowly(double value) {
    const double v = 255 * value;
    return to_int(std::fabs(v));
}

const PassSet& portable_passes() {
    static const PassSet set{
#ifdef VELD_SSE2_PASSES
        "sse2",
#else
        "plain",
#endif
        capture_portable, spectrum_portable, output_portable};
    return set;
}

}  // namespace filter_detail
