#include "buffers.h"

#include <cstdio>
#include <cstdlib>
#include <limits>

#if defined(__x86_64__) || defined(_M_X64)
#define VELD_SSE2 1
#include <emmintrin.h>
#endif

namespace {

void* system_zeroed(std::size_t count, std::size_t size) { return std::calloc(count, size); }
// Rows of real matrices start on a cache line, so that the transform's vector loads of a row
// never straddle two lines.
constexpr std::size_t block_alignment = 64;

void* system_uninitialised(std::size_t size) {
    const std::size_t rounded = (size + block_alignment - 1) / block_alignment * block_alignment;
    if (rounded < size)
        return nullptr;
    return std::aligned_alloc(block_alignment, rounded == 0 ? block_alignment : rounded);
}
void system_release(void* block) { std::free(block); }

MemorySource current_source = {system_zeroed, system_uninitialised, system_release};

// A negative count, or a byte size that does not fit in size_t, is a block that cannot be had;
// it is never handed to the memory source.
void* obtain_zeroed(int count, std::size_t size) {
    if (count < 0)
        return nullptr;
    return current_source.zeroed(static_cast<std::size_t>(count), size);
}

void* obtain_uninitialised(int count, std::size_t size) {
    constexpr std::size_t most = std::numeric_limits<std::size_t>::max();
    if (count < 0 || static_cast<std::size_t>(count) > most / size)
        return nullptr;
    return current_source.uninitialised(static_cast<std::size_t>(count) * size);
}

// Releases rows [0, obtained) and then the row-pointer block itself.
template <typename Element>
void release_matrix(Element** rows, int obtained) {
    for (int i = 0; i < obtained; ++i)
        current_source.release(rows[i]);
    current_source.release(rows);
}

}  // namespace

MemorySource default_memory_source() {
    return {system_zeroed, system_uninitialised, system_release};
}

MemorySource set_memory_source(const MemorySource& source) {
    const MemorySource previous = current_source;
    current_source = source;
    return previous;
}

void trace_line(const char* line) {
    std::fputs(line, stdout);
    std::fflush(stdout);
}

int alloc_int_matrix(int rows, int cols, IntMatrix* v) {
    *v = static_cast<IntMatrix>(obtain_zeroed(rows, sizeof(std::int32_t*)));
    if (*v == nullptr)
        return 1;
    for (int i = 0; i < rows; ++i) {
        (*v)[i] = static_cast<std::int32_t*>(obtain_zeroed(cols, sizeof(std::int32_t)));
        if ((*v)[i] == nullptr) {
            trace_line("Alloc Error  !!\n");
            release_matrix(*v, i);
            *v = nullptr;
            return 1;
        }
    }
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j)
            (*v)[i][j] = 0;
    return 0;
}

int alloc_real_matrix(int rows, int cols, RealMatrix* v) {
    *v = static_cast<RealMatrix>(obtain_uninitialised(rows, sizeof(double*)));
    if (*v == nullptr)
        return 1;
    for (int i = 0; i < rows; ++i) {
        (*v)[i] = static_cast<double*>(obtain_uninitialised(cols, sizeof(double)));
        if ((*v)[i] == nullptr) {
            release_matrix(*v, i);
            *v = nullptr;
            return 1;
        }
    }
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j)
            (*v)[i][j] = 0.0;
    return 0;
}

int alloc_int_vector(int n, IntVector* v) {
    *v = static_cast<IntVector>(obtain_zeroed(n, sizeof(std::int32_t)));
    if (*v == nullptr)
        return 1;
    for (int i = 0; i < n; ++i)
        (*v)[i] = 0;
    trace_line("extended int\n");
    return 0;
}

int alloc_real_vector(int n, RealVector* v) {
    *v = static_cast<RealVector>(obtain_uninitialised(n, sizeof(double)));
    if (*v == nullptr)
        return 1;
    for (int i = 0; i < n; ++i)
        (*v)[i] = 0.0;
    return 0;
}

int scale_matrix(double factor, int rows, int cols, RealMatrix* v) {
    for (int i = 0; i < rows; ++i) {
        double* row = (*v)[i];
        int j = 0;
#ifdef VELD_SSE2
        const __m128d times = _mm_set1_pd(factor);
        for (; j + 2 <= cols; j += 2)
            _mm_storeu_pd(row + j, _mm_mul_pd(times, _mm_loadu_pd(row + j)));
#endif
        for (; j < cols; ++j)
            row[j] = factor * row[j];
    }
    return 0;
}

double max_of_matrix(int rows, int cols, RealMatrix m) {
    // Eight independent running maxima find the largest value quickly. A positive maximum is the
    // same value, bit for bit, whichever of its equal elements the plain scan would take; only a
    // result of zero can differ (in its sign), so that case takes the plain scan itself. Each
    // running maximum takes an element only when it is greater (never a NaN), as maxpd does.
    double lane[8] = {0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0, 0.0};
    for (int i = 0; i < rows; ++i) {
        const double* row = m[i];
        int j = 0;
#ifdef VELD_SSE2
        // Four named accumulators, so that they stay in registers.
        __m128d top0 = _mm_loadu_pd(lane), top1 = _mm_loadu_pd(lane + 2);
        __m128d top2 = _mm_loadu_pd(lane + 4), top3 = _mm_loadu_pd(lane + 6);
        for (; j + 8 <= cols; j += 8) {
            top0 = _mm_max_pd(_mm_loadu_pd(row + j), top0);
            top1 = _mm_max_pd(_mm_loadu_pd(row + j + 2), top1);
            top2 = _mm_max_pd(_mm_loadu_pd(row + j + 4), top2);
            top3 = _mm_max_pd(_mm_loadu_pd(row + j + 6), top3);
        }
        _mm_storeu_pd(lane, top0);
        _mm_storeu_pd(lane + 2, top1);
        _mm_storeu_pd(lane + 4, top2);
        _mm_storeu_pd(lane + 6, top3);
#endif
        for (; j + 4 <= cols; j += 4)
            for (int k = 0; k < 4; ++k)
                lane[k] = row[j + k] > lane[k] ? row[j + k] : lane[k];
        for (; j < cols; ++j)
            lane[0] = row[j] > lane[0] ? row[j] : lane[0];
    }
    double top = lane[0];
    for (int k = 1; k < 8; ++k)
        top = lane[k] > top ? lane[k] : top;
    if (top > 0.0)
        return top;
    double best = 0.0;
    for (int i = 0; i < rows; ++i)
        for (int j = 0; j < cols; ++j)
            if (m[i][j] >= best)
                best = m[i][j];
    return best;
}
