// The eight-lane kernel: AVX-512F (built with -mavx512f; chosen at run time). The target
// allows FMA instructions, but contraction is off for the whole build and the kernel only
// asks for separate multiplies and adds.
#include "fft_kernels.h"

#if defined(__x86_64__) || defined(_M_X64)

#include <immintrin.h>

namespace {

struct Ops {
    using V = __m512d;
    static constexpr int width = 8;
    static inline V load(const double* p) { return _mm512_load_pd(p); }
    static inline V loadu(const double* p) { return _mm512_loadu_pd(p); }
    static inline void store(double* p, V v) { _mm512_store_pd(p, v); }
    static inline void storeu(double* p, V v) { _mm512_storeu_pd(p, v); }
    static inline V set1(double a) { return _mm512_set1_pd(a); }
    static inline V add(V a, V b) { return _mm512_add_pd(a, b); }
    static inline V sub(V a, V b) { return _mm512_sub_pd(a, b); }
    static inline V mul(V a, V b) { return _mm512_mul_pd(a, b); }
    // 8 x 8 in three rounds: pairs of elements, then pairs of 128-bit lanes twice. GCC 12
    // warns inside its own unpack intrinsics (their unused pass-through operand); that warning
    // says nothing about this code.
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#pragma GCC diagnostic ignored "-Wuninitialized"
#endif
    static inline void transpose(V* r) {
        const V a0 = _mm512_unpacklo_pd(r[0], r[1]);  // r0,r1 at columns 0 2 4 6
        const V a1 = _mm512_unpackhi_pd(r[0], r[1]);  // r0,r1 at columns 1 3 5 7
        const V a2 = _mm512_unpacklo_pd(r[2], r[3]);
        const V a3 = _mm512_unpackhi_pd(r[2], r[3]);
        const V a4 = _mm512_unpacklo_pd(r[4], r[5]);
        const V a5 = _mm512_unpackhi_pd(r[4], r[5]);
        const V a6 = _mm512_unpacklo_pd(r[6], r[7]);
        const V a7 = _mm512_unpackhi_pd(r[6], r[7]);
        // 0x88 takes 128-bit lanes 0 and 2 of each source, 0xDD lanes 1 and 3.
        const V b0 = _mm512_shuffle_f64x2(a0, a2, 0x88);  // r0..r3 at columns 0 4
        const V b1 = _mm512_shuffle_f64x2(a0, a2, 0xDD);  // columns 2 6
        const V b2 = _mm512_shuffle_f64x2(a1, a3, 0x88);  // columns 1 5
        const V b3 = _mm512_shuffle_f64x2(a1, a3, 0xDD);  // columns 3 7
        const V b4 = _mm512_shuffle_f64x2(a4, a6, 0x88);  // r4..r7 likewise
        const V b5 = _mm512_shuffle_f64x2(a4, a6, 0xDD);
        const V b6 = _mm512_shuffle_f64x2(a5, a7, 0x88);
        const V b7 = _mm512_shuffle_f64x2(a5, a7, 0xDD);
        r[0] = _mm512_shuffle_f64x2(b0, b4, 0x88);
        r[4] = _mm512_shuffle_f64x2(b0, b4, 0xDD);
        r[2] = _mm512_shuffle_f64x2(b1, b5, 0x88);
        r[6] = _mm512_shuffle_f64x2(b1, b5, 0xDD);
        r[1] = _mm512_shuffle_f64x2(b2, b6, 0x88);
        r[5] = _mm512_shuffle_f64x2(b2, b6, 0xDD);
        r[3] = _mm512_shuffle_f64x2(b3, b7, 0x88);
        r[7] = _mm512_shuffle_f64x2(b3, b7, 0xDD);
    }
#if defined(__GNUC__) && !defined(__clang__)
#pragma GCC diagnostic pop
#endif
};

#include "fft_lanes.h"

}  // namespace

namespace spectral_detail {

void column_strips_avx512(const CentredJob& job, double* work, int first, int last) {
    Lanes<Ops>::column_strips(job, work, first, last);
}

void row_strips_avx512(const CentredJob& job, double* work, int first, int last) {
    Lanes<Ops>::row_strips(job, work, first, last);
}

}  // namespace spectral_detail

#endif
