// libFuzzer target: the BMP reader (decode_bmp, TBitmap::LoadFromBmp and the run's conversion).

#include <cstdio>
#include <cstdlib>

#include "input_checks.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        check_bmp_input(data, size);
    } catch (const BrokenPromise& e) {
        std::fprintf(stderr, "broken promise: %s\n", e.what());
        std::abort();
    }
    return 0;
}
