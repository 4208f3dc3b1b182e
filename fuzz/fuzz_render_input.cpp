// libFuzzer target: veld-render's input path (read_picture_file, the grey fit, the first run).

#include <unistd.h>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "input_checks.h"

namespace {

std::string scratch_path;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    // The working state writes its trace lines to standard output at every start; libFuzzer
    // reports on standard error.
    if (!std::freopen("/dev/null", "w", stdout))
        return 1;
    const char* dir = std::getenv("TMPDIR");
    scratch_path =
        std::string(dir && *dir ? dir : "/tmp") + "/veld-fuzz-input-" + std::to_string(::getpid());
    std::atexit([] { ::unlink(scratch_path.c_str()); });
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    try {
        check_render_input(data, size, scratch_path);
    } catch (const BrokenPromise& e) {
        std::fprintf(stderr, "broken promise: %s\n", e.what());
        std::abort();
    }
    return 0;
}
