#pragma once
// The engine in a test that runs it without a window: started with its trace lines kept off the
// test's output, and a transform kernel chosen for a scope.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "engine.h"
#include "fft.h"
#include "working_state.h"

// start_engine, its trace lines ("extended int", "a", "b") swallowed.
inline void start_engine_quietly() {
    testing::internal::CaptureStdout();
    start_engine();
    testing::internal::GetCapturedStdout();
}

// The transform kernels this processor runs; a run's passes follow the kernel.
inline std::vector<FftKernel> supported_kernels() {
    std::vector<FftKernel> kernels;
    for (FftKernel k : {FftKernel::Plain, FftKernel::Sse2, FftKernel::Avx2, FftKernel::Avx512})
        if (fft_kernel_supported(k))
            kernels.push_back(k);
    return kernels;
}

// Selects a kernel while it lives (a failed selection is a test failure) and puts back the one
// selected before.
class KernelChoice {
public:
    explicit KernelChoice(FftKernel k) : before_(fft_kernel()), chosen_(set_fft_kernel(k)) {
        EXPECT_TRUE(chosen_) << "kernel " << static_cast<int>(k) << " cannot be selected";
    }
    ~KernelChoice() { set_fft_kernel(before_); }
    KernelChoice(const KernelChoice&) = delete;
    KernelChoice& operator=(const KernelChoice&) = delete;

    bool chosen() const { return chosen_; }
    // What a run takes now: "avx2 transform, sse2 passes".
    std::string label() const {
        return std::string(fft_kernel_name()) + " transform, " + filter_pass_name() + " passes";
    }

private:
    FftKernel before_;
    bool chosen_;
};
