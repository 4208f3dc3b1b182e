#include "fft.h"

#include <climits>
#include <cstddef>
#include <cstdlib>
#include <new>
#include <stdexcept>
#include <string>

#include "fft_kernels.h"
#include "numeric.h"
#include "state.h"
#include "tables.h"

#if defined(__x86_64__) || defined(_M_X64)
#define VELD_X86_KERNELS 1
#endif

void fft1d(int n, const std::int32_t* bit_reversal, const double* sine_table, RealVector* x,
           RealVector* y) {
    if (n == 0)
        return;
    if (n == INT_MIN || !is_transform_length(n < 0 ? -n : n))
        throw std::invalid_argument("transform length " + std::to_string(n) +
                                    " is not plus or minus a power of two of at least 4");
    const bool backward = n < 0;
    if (backward)
        n = -n;
    // Quarter period: the cosine of entry k is the sine of entry k + q.
    const int q = to_int(n * 0.25);
    double* re = *x;
    double* im = *y;

    for (int i = 0; i < n; ++i) {
        const int j = bit_reversal[i];
        if (i < j) {
            const double tx = re[i];
            re[i] = re[j];
            re[j] = tx;
            const double ty = im[i];
            im[i] = im[j];
            im[j] = ty;
        }
    }

    // Butterfly j of the stage of span 2h rotates by e^(-+2 pi i j / 2h): k = j n / 2h.
    for (int h = 1; h < n; h *= 2) {
        const int span = 2 * h;
        const int step = n / span;
        int k = 0;
        for (int j = 0; j < h; ++j) {
            const double c = sine_table[k + q];
            const double s = backward ? -sine_table[k] : sine_table[k];
            for (int i = j; i < n; i += span) {
                const int p = i + h;
                const double tr = s * im[p] + c * re[p];
                const double ti = c * im[p] - s * re[p];
                re[p] = re[i] - tr;
                re[i] = re[i] + tr;
                im[p] = im[i] - ti;
                im[i] = im[i] + ti;
            }
            k = k + step;
        }
    }

    if (!backward) {
        const double length = n;
        for (int i = 0; i < n; ++i) {
            re[i] = re[i] / length;
            im[i] = im[i] / length;
        }
    }
}

namespace {

// M[i][j] takes the old M[(i + h) mod N][(j + h) mod N]: the quadrants trade places diagonally,
// putting the zero frequency at [h][h]. Its own inverse for even N.
void centring_exchange(RealMatrix m, int n) {
    const int h = n / 2;
    auto src = [h](int t) { return t < h ? t + h : t - h; };
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            shift_scratch[i][j] = m[i][src(j)];
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            m[i][j] = shift_scratch[src(i)][j];
}

// One forward fft1d per line, the imaginary line in the x slot and the real line in the y
// slot: seen from fft1d the line is i conj(z), so the line comes back as the transform with
// the positive exponent, divided by N.
void transform_line(int n) { fft1d(n, bit_reversal, sine_table, &line_im, &line_re); }

// The plain kernel, one line at a time through the program's own buffers: exchange through
// shift_scratch, gather each line into line_re and line_im, fft1d, scatter, exchange again.
void plain_centred(RealMatrix* re, RealMatrix* im, int n) {
    if (shift_scratch == nullptr || line_re == nullptr || line_im == nullptr)
        throw std::logic_error("the plain centred transform needs shift_scratch, line_re, line_im");
    RealMatrix r = *re;
    RealMatrix m = *im;
    centring_exchange(r, n);
    centring_exchange(m, n);

    // Along the first index: lines are columns, gathered from separate row blocks.
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            line_re[j] = r[j][i];
            line_im[j] = m[j][i];
        }
        transform_line(n);
        for (int j = 0; j < n; ++j) {
            r[j][i] = line_re[j];
            m[j][i] = line_im[j];
        }
    }
    // Along the second index: lines lie within one row block.
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            line_re[j] = r[i][j];
            line_im[j] = m[i][j];
        }
        transform_line(n);
        for (int j = 0; j < n; ++j) {
            r[i][j] = line_re[j];
            m[i][j] = line_im[j];
        }
    }

    centring_exchange(r, n);
    centring_exchange(m, n);
}

struct KernelEntry {
    FftKernel kernel;
    const char* name;
    spectral_detail::StripPass columns;
    spectral_detail::StripPass rows;
};

#ifdef VELD_X86_KERNELS
constexpr KernelEntry lane_kernels[] = {
    {FftKernel::Sse2, "sse2", spectral_detail::column_strips_sse2,
     spectral_detail::row_strips_sse2},
    {FftKernel::Avx2, "avx2", spectral_detail::column_strips_avx2,
     spectral_detail::row_strips_avx2},
    {FftKernel::Avx512, "avx512", spectral_detail::column_strips_avx512,
     spectral_detail::row_strips_avx512},
};
#endif

const KernelEntry* lane_entry(FftKernel kernel) {
#ifdef VELD_X86_KERNELS
    for (const KernelEntry& entry : lane_kernels)
        if (entry.kernel == kernel)
            return &entry;
#endif
    (void)kernel;
    return nullptr;
}

// Widest first: on the processors measured, each wider kernel was the faster one.
FftKernel best_supported_kernel() {
    for (FftKernel kernel : {FftKernel::Avx512, FftKernel::Avx2, FftKernel::Sse2})
        if (fft_kernel_supported(kernel))
            return kernel;
    return FftKernel::Plain;
}

FftKernel& selected_kernel() {
    static FftKernel kernel = best_supported_kernel();
    return kernel;
}

// The lanes' work area: a block of doubles on a 64-byte boundary, kept between calls and grown
// only when the edge length grows, so that a transform allocates nothing once it has run.
double* work_area(std::size_t doubles) {
    static struct Area {
        double* block = nullptr;
        std::size_t capacity = 0;
        ~Area() { std::free(block); }
    } area;
    if (doubles > area.capacity) {
        void* grown = std::aligned_alloc(64, doubles * sizeof(double));
        if (grown == nullptr)
            throw std::bad_alloc();
        std::free(area.block);
        area.block = static_cast<double*>(grown);
        area.capacity = doubles;
    }
    return area.block;
}

}  // namespace

bool fft_kernel_supported(FftKernel kernel) {
    switch (kernel) {
    case FftKernel::Plain:
        return true;
#ifdef VELD_X86_KERNELS
    case FftKernel::Sse2:
        return true;
    case FftKernel::Avx2:
        return __builtin_cpu_supports("avx2");
    case FftKernel::Avx512:
        return __builtin_cpu_supports("avx512f");
#endif
    default:
        return false;
    }
}

bool set_fft_kernel(FftKernel kernel) {
    if (!fft_kernel_supported(kernel))
        return false;
    selected_kernel() = kernel;
    return true;
}

FftKernel fft_kernel() { return selected_kernel(); }

const char* fft_kernel_name() {
    const KernelEntry* entry = lane_entry(selected_kernel());
    return entry != nullptr ? entry->name : "plain";
}

int fft2d_centred(RealMatrix* re, RealMatrix* im) {
    return spectral_testing::fft2d_centred_of_edge(image_size, re, im);
}

namespace spectral_testing {

int fft2d_centred_of_edge(int n, RealMatrix* re, RealMatrix* im) {
    if (!is_transform_length(n))
        throw std::invalid_argument("edge length " + std::to_string(n) +
                                    " is not a power of two of at least 4");
    if (bit_reversal == nullptr || sine_table == nullptr)
        throw std::logic_error("the centred transform needs bit_reversal and sine_table");

    const KernelEntry* entry = lane_entry(selected_kernel());
    // Fields narrower than two lane blocks per half go the plain way.
    if (entry == nullptr || n < 2 * spectral_detail::strip_lanes) {
        plain_centred(re, im, n);
        return 0;
    }
    const spectral_detail::CentredJob job{n, bit_reversal, sine_table, *re, *im};
    const int strips = n / spectral_detail::strip_lanes;
    double* work = work_area(2 * static_cast<std::size_t>(n) * spectral_detail::strip_lanes);
    entry->columns(job, work, 0, strips);
    entry->rows(job, work, 0, strips);
    return 0;
}

}  // namespace spectral_testing
