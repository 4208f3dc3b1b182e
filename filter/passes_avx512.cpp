// The passes with AVX-512F: eight elements at a time, built with -mavx512f and chosen at run time.
// Pictures are written through 8 x 8 transposes, so that each picture row takes eight pixels
// (24 bytes) at a time. The arithmetic is that of the portable passes, element by element; the
// target allows FMA instructions, but contraction is off for the whole build and only separate
// multiplies and adds are asked for.
#include "passes.h"

#include "band.h"

#if defined(__x86_64__) || defined(_M_X64)

// GCC 12 warns inside its own AVX-512 intrinsics (their unused pass-through operand); that
// warning says nothing about this code.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif
#include <immintrin.h>

namespace filter_detail {

namespace {

// Rows r[0..7] of an 8 x 8 block of 32-bit values become its columns.
inline void transpose8(__m256i* r) {
    const __m256i t0 = _mm256_unpacklo_epi32(r[0], r[1]);
    const __m256i t1 = _mm256_unpackhi_epi32(r[0], r[1]);
    const __m256i t2 = _mm256_unpacklo_epi32(r[2], r[3]);
    const __m256i t3 = _mm256_unpackhi_epi32(r[2], r[3]);
    const __m256i t4 = _mm256_unpacklo_epi32(r[4], r[5]);
    const __m256i t5 = _mm256_unpackhi_epi32(r[4], r[5]);
    const __m256i t6 = _mm256_unpacklo_epi32(r[6], r[7]);
    const __m256i t7 = _mm256_unpackhi_epi32(r[6], r[7]);
    const __m256i u0 = _mm256_unpacklo_epi64(t0, t2);
    const __m256i u1 = _mm256_unpackhi_epi64(t0, t2);
    const __m256i u2 = _mm256_unpacklo_epi64(t1, t3);
    const __m256i u3 = _mm256_unpackhi_epi64(t1, t3);
    const __m256i u4 = _mm256_unpacklo_epi64(t4, t6);
    const __m256i u5 = _mm256_unpackhi_epi64(t4, t6);
    const __m256i u6 = _mm256_unpacklo_epi64(t5, t7);
    const __m256i u7 = _mm256_unpackhi_epi64(t5, t7);
    r[0] = _mm256_permute2x128_si256(u0, u4, 0x20);
    r[1] = _mm256_permute2x128_si256(u1, u5, 0x20);
    r[2] = _mm256_permute2x128_si256(u2, u6, 0x20);
    r[3] = _mm256_permute2x128_si256(u3, u7, 0x20);
    r[4] = _mm256_permute2x128_si256(u0, u4, 0x31);
    r[5] = _mm256_permute2x128_si256(u1, u5, 0x31);
    r[6] = _mm256_permute2x128_si256(u2, u6, 0x31);
    r[7] = _mm256_permute2x128_si256(u3, u7, 0x31);
}

// Eight 24-bit pixels at px, their bytes picked out of eight 32-bit words by a byte shuffle
// whose 128-bit halves each gather four pixels into their first twelve bytes. Exactly the 24
// bytes are written.
inline void put_eight_pixels(std::uint8_t* px, __m256i words, __m256i pick) {
    const __m256i packed = _mm256_shuffle_epi8(words, pick);
    const __m128i low = _mm256_castsi256_si128(packed);
    const __m128i high = _mm256_extracti128_si256(packed, 1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(px), low);  // bytes 12 ... 15 are rewritten next
    _mm_storel_epi64(reinterpret_cast<__m128i*>(px + 12), high);
    const int last = _mm_cvtsi128_si32(_mm_srli_si128(high, 8));
    __builtin_memcpy(px + 20, &last, 4);
}

// Blue, green and red of each word: its low three bytes.
inline __m256i colour_pick() {
    return _mm256_setr_epi8(0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1,  //
                            0, 1, 2, 4, 5, 6, 8, 9, 10, 12, 13, 14, -1, -1, -1, -1);
}
// The low byte of each word three times: a grey pixel.
inline __m256i grey_pick() {
    return _mm256_setr_epi8(0, 0, 0, 4, 4, 4, 8, 8, 8, 12, 12, 12, -1, -1, -1, -1,  //
                            0, 0, 0, 4, 4, 4, 8, 8, 8, 12, 12, 12, -1, -1, -1, -1);
}

inline __m256i load8(const std::int32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
inline __m256i load8(const std::uint32_t* p) {
    return _mm256_loadu_si256(reinterpret_cast<const __m256i*>(p));
}
inline void store8(std::int32_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}
inline void store8(std::uint32_t* p, __m256i v) {
    _mm256_storeu_si256(reinterpret_cast<__m256i*>(p), v);
}

void capture_avx512(const CaptureJob& job) {
    // Blue bytes of pixels 0 ... 3 at bytes 0, 3, 6, 9 of the row; of pixels 4 ... 7 at bytes 4, 7,
    // 10, 13 of the load that starts 8 bytes further, which ends with the eighth pixel.
    const __m128i first = _mm_setr_epi8(0, 3, 6, 9, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1, -1);
    const __m128i second =
        _mm_setr_epi8(-1, -1, -1, -1, 4, 7, 10, 13, -1, -1, -1, -1, -1, -1, -1, -1);
    for (int y0 = 0; y0 < image_size; y0 += 8)
        for (int x0 = 0; x0 < image_size; x0 += 8) {
            __m256i block[8];
            for (int k = 0; k < 8; ++k) {
                const std::uint8_t* px = job.rows[y0 + k] + 3 * x0;
                const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px));
                const __m128i b = _mm_loadu_si128(reinterpret_cast<const __m128i*>(px + 8));
                block[k] = _mm256_cvtepu8_epi32(
                    _mm_or_si128(_mm_shuffle_epi8(a, first), _mm_shuffle_epi8(b, second)));
            }
            transpose8(block);
            for (int m = 0; m < 8; ++m) {
                store8(job.plane[x0 + m] + y0, block[m]);
                _mm512_storeu_pd(job.re[x0 + m] + y0, _mm512_cvtepi32_pd(block[m]));
            }
        }
}

Findings spectrum_avx512(const SpectrumJob& job) {
    Findings findings;
    // The profile sums of the row before are added while this row's roots are computed: the adds
    // and the roots then share the time the roots take. The row before the first is a row of
    // zeros: adding +0 to a profile that is still all +0 leaves it as it is.
    alignas(64) static const double zero_row[image_size] = {};
    alignas(64) std::uint32_t tile[8][image_size];
    alignas(64) double table[16] = {};
    for (int b = 0; b < band_count; ++b)
        table[b] = job.factors[b];
    const __m512d low_factors = _mm512_load_pd(table);
    const __m512d high_factors = _mm512_load_pd(table + 8);
    const __m512d limit = _mm512_set1_pd(2147483648.0);
    const __m256i byte = _mm256_set1_epi32(0xFF);
    const __m256i pick = colour_pick();
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
            for (int j = 0; j < image_size; j += 8) {
                const __m512i index = _mm512_cvtepi32_epi64(load8(band + j));
                const __m512d f = _mm512_permutex2var_pd(low_factors, index, high_factors);
                const __m512d a = _mm512_mul_pd(f, _mm512_loadu_pd(r + j));
                const __m512d b = _mm512_mul_pd(f, _mm512_loadu_pd(m + j));
                const __m512d mag =
                    _mm512_sqrt_pd(_mm512_add_pd(_mm512_mul_pd(a, a), _mm512_mul_pd(b, b)));
                const __m512d blue = _mm512_mul_pd(mag, _mm512_set1_pd(1000));
                for (int l = 0; l < 8; ++l)
                    profile[previous_bins[j + l]] += previous[j + l];
                if (_mm512_cmp_pd_mask(blue, limit, _CMP_LT_OQ) != 0xFF) {
                    for (int l = 0; l < 8; ++l)
                        words[j + l] = spectrum_element_slowly(job.factors[band[j + l]], r + j + l,
                                                               m + j + l, mags + j + l, findings);
                    continue;
                }
                _mm512_storeu_pd(r + j, a);
                _mm512_storeu_pd(m + j, b);
                _mm512_store_pd(mags + j, mag);
                const __m256i b8 = _mm256_and_si256(_mm512_cvttpd_epi32(blue), byte);
                const __m256i g8 = _mm256_and_si256(
                    _mm512_cvttpd_epi32(_mm512_mul_pd(mag, _mm512_set1_pd(100))), byte);
                const __m256i r8 = _mm256_and_si256(
                    _mm512_cvttpd_epi32(_mm512_mul_pd(mag, _mm512_set1_pd(10))), byte);
                store8(words + j, _mm256_or_si256(b8, _mm256_or_si256(_mm256_slli_epi32(g8, 8),
                                                                      _mm256_slli_epi32(r8, 16))));
            }
            previous = mags;
            previous_bins = job.bins + i * image_size;
        }
        // Tile row k is picture column i0 + k: transposed, each picture row takes eight pixels.
        for (int j0 = 0; j0 < image_size; j0 += 8) {
            __m256i block[8];
            for (int k = 0; k < 8; ++k)
                block[k] = load8(tile[k] + j0);
            transpose8(block);
            for (int c = 0; c < 8; ++c)
                put_eight_pixels(job.rows[j0 + c] + 3 * i0, block[c], pick);
        }
    }
    add_profile_row(previous, previous_bins, profile);
    return findings;
}

void output_avx512(const OutputJob& job) {
    const __m512d limit = _mm512_set1_pd(2147483648.0);
    const __m256i pick = grey_pick();
    for (int i0 = 0; i0 < image_size; i0 += 8) {
        for (int i = i0; i < i0 + 8; ++i) {
            const double* r = job.re[i];
            std::int32_t* level = job.plane[i];
            for (int j = 0; j < image_size; j += 8) {
                const __m512d v =
                    _mm512_abs_pd(_mm512_mul_pd(_mm512_set1_pd(255), _mm512_loadu_pd(r + j)));
                if (_mm512_cmp_pd_mask(v, limit, _CMP_LT_OQ) != 0xFF) {
                    for (int l = 0; l < 8; ++l)
                        level[j + l] = output_element_slowly(r[j + l]);
                    continue;
                }
                store8(level + j, _mm512_cvttpd_epi32(v));
            }
        }
        // Element [i][j] is pixel (255 - i, 255 - j): rows i0 + 7 ... i0 are pixels
        // 248 - i0 ... 255 - i0 of picture row 255 - j.
        const int x0 = image_size - 8 - i0;
        for (int j0 = 0; j0 < image_size; j0 += 8) {
            __m256i block[8];
            for (int k = 0; k < 8; ++k)
                block[k] = load8(job.plane[i0 + 7 - k] + j0);
            transpose8(block);
            for (int c = 0; c < 8; ++c)
                put_eight_pixels(job.rows[image_size - 1 - (j0 + c)] + 3 * x0, block[c], pick);
        }
    }
}

}  // namespace

const PassSet& avx512_passes() {
    static const PassSet set{"avx512", capture_avx512, spectrum_avx512, output_avx512};
    return set;
}

}  // namespace filter_detail

#endif
