// A filter run allocates nothing numeric: the only memory it asks for is its work bitmap.

#include <gtest/gtest.h>

#include <cstdlib>
#include <new>

#include "band.h"
#include "buffers.h"
#include "engine.h"
#include "engine_fixture.h"
#include "fft.h"
#include "numeric.h"
#include "samples.h"
#include "working_state.h"

namespace {
bool counting = false;
long allocations = 0;
std::size_t allocated_bytes = 0;
}  // namespace

void* operator new(std::size_t size) {
    if (counting) {
        ++allocations;
        allocated_bytes += size;
    }
    if (void* p = std::malloc(size ? size : 1))
        return p;
    throw std::bad_alloc();
}
void operator delete(void* p) noexcept { std::free(p); }
void operator delete(void* p, std::size_t) noexcept { std::free(p); }

namespace {

TEST(RunAllocation, OnlyTheWorkBitmapIsAllocated) {
    start_engine_quietly();

    TBitmap source, spectrum, output;
    const auto bmp = sample_bmp(Sample::Jupiter);
    source.LoadFromBmp(bmp.data(), bmp.size());
    spectrum.SetSize(256, 256);
    output.SetSize(256, 256);
    SliderPositions positions = start_positions();
    positions[3] = 40;
    const BandGains gains = gains_from_positions(positions);
    const PictureTargets targets{*spectrum.Canvas(), *output.Canvas()};
    compute_pictures(source, gains,
                     targets);  // the first call of the transform sizes its work area once

    for (int run = 0; run < 3; ++run) {
        SCOPED_TRACE(run);
        allocations = 0;
        allocated_bytes = 0;
        counting = true;
        compute_pictures(source, gains, targets);
        counting = false;
        EXPECT_EQ(allocations, 2) << "the bitmap object and its pixels";
        EXPECT_EQ(allocated_bytes, sizeof(TBitmap) + 256u * 256 * 3);
    }
    release_working_state();
}

}  // namespace
