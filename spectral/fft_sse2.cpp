// The two-lane kernel: SSE2, the baseline of every x86-64 processor.
#include "fft_kernels.h"

#if defined(__x86_64__) || defined(_M_X64)

#include <emmintrin.h>

namespace {

struct Ops {
    using V = __m128d;
    static constexpr int width = 2;
    static inline V load(const double* p) { return _mm_load_pd(p); }
    static inline V loadu(const double* p) { return _mm_loadu_pd(p); }
    static inline void store(double* p, V v) { _mm_store_pd(p, v); }
    static inline void storeu(double* p, V v) { _mm_storeu_pd(p, v); }
    static inline V set1(double a) { return _mm_set1_pd(a); }
    static inline V add(V a, V b) { return _mm_add_pd(a, b); }
    static inline V sub(V a, V b) { return _mm_sub_pd(a, b); }
    static inline V mul(V a, V b) { return _mm_mul_pd(a, b); }
    static inline void transpose(V* r) {
        const V low = _mm_unpacklo_pd(r[0], r[1]);
        const V high = _mm_unpackhi_pd(r[0], r[1]);
        r[0] = low;
        r[1] = high;
    }
};

#include "fft_lanes.h"

}  // namespace

namespace spectral_detail {

void column_strips_sse2(const CentredJob& job, double* work, int first, int last) {
    Lanes<Ops>::column_strips(job, work, first, last);
}

void row_strips_sse2(const CentredJob& job, double* work, int first, int last) {
    Lanes<Ops>::row_strips(job, work, first, last);
}

}  // namespace spectral_detail

#endif
