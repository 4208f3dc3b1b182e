// The four-lane kernel: AVX2 (built with -mavx2 and without FMA; chosen at run time).
#include "fft_kernels.h"

#if defined(__x86_64__) || defined(_M_X64)

#include <immintrin.h>

namespace {

struct Ops {
    using V = __m256d;
    static constexpr int width = 4;
    static inline V load(const double* p) { return _mm256_load_pd(p); }
    static inline V loadu(const double* p) { return _mm256_loadu_pd(p); }
    static inline void store(double* p, V v) { _mm256_store_pd(p, v); }
    static inline void storeu(double* p, V v) { _mm256_storeu_pd(p, v); }
    static inline V set1(double a) { return _mm256_set1_pd(a); }
    static inline V add(V a, V b) { return _mm256_add_pd(a, b); }
    static inline V sub(V a, V b) { return _mm256_sub_pd(a, b); }
    static inline V mul(V a, V b) { return _mm256_mul_pd(a, b); }
    static inline void transpose(V* r) {
        const V t0 = _mm256_unpacklo_pd(r[0], r[1]);  // r0[0] r1[0] r0[2] r1[2]
        const V t1 = _mm256_unpackhi_pd(r[0], r[1]);  // r0[1] r1[1] r0[3] r1[3]
        const V t2 = _mm256_unpacklo_pd(r[2], r[3]);
        const V t3 = _mm256_unpackhi_pd(r[2], r[3]);
        r[0] = _mm256_permute2f128_pd(t0, t2, 0x20);
        r[1] = _mm256_permute2f128_pd(t1, t3, 0x20);
        r[2] = _mm256_permute2f128_pd(t0, t2, 0x31);
        r[3] = _mm256_permute2f128_pd(t1, t3, 0x31);
    }
};

#include "fft_lanes.h"

}  // namespace

namespace spectral_detail {

void column_strips_avx2(const CentredJob& job, double* work, int first, int last) {
    Lanes<Ops>::column_strips(job, work, first, last);
}

void row_strips_avx2(const CentredJob& job, double* work, int first, int last) {
    Lanes<Ops>::row_strips(job, work, first, last);
}

}  // namespace spectral_detail

#endif
