// veld-render's input path: the file read as a picture, then the window's first run on it.

#include <cstdio>

#include "exceptions.h"
#include "first_run.h"
#include "input_checks.h"
#include "numeric.h"
#include "render_options.h"

namespace {

void write_file(const std::string& path, const std::uint8_t* data, std::size_t size) {
    std::FILE* file = std::fopen(path.c_str(), "wb");
    VELD_PROMISE(file != nullptr, "cannot create the scratch file " + path);
    const bool written = size == 0 || std::fwrite(data, 1, size, file) == size;
    VELD_PROMISE(std::fclose(file) == 0 && written, "cannot write the scratch file " + path);
}

bool is_square_picture(const TBitmap& b) {
    return b.Width() == image_size && b.Height() == image_size &&
           b.PixelFormat() == TPixelFormat::pf24bit;
}

bool is_grey(const TBitmap& b) {
    for (int y = 0; y < b.Height(); ++y) {
        const std::uint8_t* row = b.ScanLine(y);
        for (int x = 0; x < b.Width(); ++x)
            if (row[3 * x] != row[3 * x + 1] || row[3 * x] != row[3 * x + 2])
                return false;
    }
    return true;
}

void check_run(const TBitmap& source) {
    const std::string name = "run on the picture as read";
    FirstRun run;
    try {
        run = first_run(source, start_positions());
    } catch (const MathError& e) {
        // A picture whose blue bytes are all 0 has nothing left to normalise by.
        VELD_PROMISE(e.kind() == MathError::Kind::ZeroDivide,
                     name + " failed with \"" + e.what() + "\"");
        return;
    }
    VELD_PROMISE(is_square_picture(run.source), name + ": source not 24-bit 256 x 256");
    VELD_PROMISE(is_square_picture(run.spectrum), name + ": spectrum not 24-bit 256 x 256");
    VELD_PROMISE(is_square_picture(run.output), name + ": output not 24-bit 256 x 256");
    VELD_PROMISE(is_grey(run.output), name + ": output not grey");
}

}  // namespace

InputOutcome check_render_input(const std::uint8_t* data, std::size_t size,
                                const std::string& scratch_path) {
    write_file(scratch_path, data, size);
    TBitmap as_read;
    TBitmap fitted;
    try {
        as_read = input_picture(scratch_path, false);
        fitted = input_picture(scratch_path, true);
    } catch (const Exception& e) {
        const std::string message = e.what();
        VELD_PROMISE(message.rfind(scratch_path + ": ", 0) == 0,
                     "a refusal that does not name the file: " + message);
        return InputOutcome::Refused;
    }
    VELD_PROMISE(as_read.Width() > 0 && as_read.Height() > 0,
                 "an empty picture read without a refusal");
    // The fit is a grey 24-bit 256 x 256 picture like any other, so its run would tell nothing
    // that the run on the picture as read, which converts it in place first, does not.
    VELD_PROMISE(is_square_picture(fitted), "the grey fit is not 24-bit 256 x 256");
    VELD_PROMISE(is_grey(fitted), "the grey fit is not grey");
    check_run(as_read);
    return InputOutcome::Decoded;
}
