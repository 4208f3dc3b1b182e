// veld-render: the window's pictures from the command line. See usage_text() for the
// interface; the exit status is 0 on success, 2 for a bad command line or file, 3 for a
// filter run that fails, 1 for anything unforeseen.

#include <fcntl.h>
#include <unistd.h>
#include <cstdio>
#include <exception>
#include <string>
#include <vector>

#include "band_report.h"
#include "band_sheet.h"
#include "exceptions.h"
#include "first_run.h"
#include "numeric.h"
#include "picture_io.h"
#include "render_options.h"
#include "window_shot.h"

namespace {

constexpr int exit_ok = 0;
constexpr int exit_unforeseen = 1;
constexpr int exit_bad_request = 2;
constexpr int exit_run_failed = 3;

// Standard output carries the report alone. The working state writes its fixed trace lines
// there, as the window does; while one of these exists they go to /dev/null instead.
class TraceLinesDiverted {
public:
    TraceLinesDiverted() {
        std::fflush(stdout);
        saved_ = ::dup(STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0)
            ::dup2(null, STDOUT_FILENO);
        if (null >= 0)
            ::close(null);
    }
    ~TraceLinesDiverted() {
        std::fflush(stdout);
        if (saved_ >= 0) {
            ::dup2(saved_, STDOUT_FILENO);
            ::close(saved_);
        }
    }
    TraceLinesDiverted(const TraceLinesDiverted&) = delete;
    TraceLinesDiverted& operator=(const TraceLinesDiverted&) = delete;

private:
    int saved_ = -1;
};

void complain(const std::string& message) {
    std::fprintf(stderr, "veld-render: %s\n", message.c_str());
}

std::string subject_of(const RenderOptions& options) {
    if (options.sample)
        return std::string("sample ") + sample_caption(*options.sample);
    return "input " + options.input + (options.fit ? ", scaled to 256 x 256 in grey levels" : "");
}

int render(const RenderOptions& options, const char* program) {
    TBitmap source;
    try {
        source = options.sample ? sample_picture(*options.sample)
                                : input_picture(options.input, options.fit);
    } catch (const Exception& e) {
        complain(e.what());
        return exit_bad_request;
    }

    FirstRun run;
    BandPictures bands;
    PictureFileSet files;
    {
        TraceLinesDiverted quiet;
        try {
            run = first_run(source, options.positions);
        } catch (const MathError& e) {
            // The window's error box text, on its own line.
            std::fprintf(stderr, "%s.\n", e.what());
            return exit_run_failed;
        }
        if (!options.bands_path.empty())
            bands = band_pictures(run.source);
        try {
            if (!options.source_path.empty())
                files.add(run.source, options.source_path);
            if (!options.spectrum_path.empty())
                files.add(run.spectrum, options.spectrum_path);
            if (!options.output_path.empty())
                files.add(run.output, options.output_path);
            if (!options.bands_path.empty())
                files.add(contact_sheet(bands), options.bands_path);
            if (!options.window_path.empty()) {
                // Last, so that every other file is in hand before the windowing engine starts.
                const WindowState state{options.sample, source, options.positions};
                files.add_written_by(options.window_path, [&](const std::string& temporary) {
                    initialise_offscreen_application(program);
                    return render_window(state, temporary);
                });
            }
            files.commit();
        } catch (const Exception& e) {
            complain(e.what());
            return exit_bad_request;
        }
    }

    if (!options.bands_path.empty())
        for (int k = 0; k < band_count; ++k)
            if (bands.empty[k])
                complain("warning: band " + std::to_string(k) + " (ScrollBar" +
                         std::to_string(k + 1) +
                         ") has no positive value after the transform; its tile in " +
                         options.bands_path + " is black");
    if (options.report) {
        const std::string text = band_report(subject_of(options), options.positions, run.energies);
        std::fputs(text.c_str(), stdout);
        std::fflush(stdout);
    }
    return exit_ok;
}

}  // namespace

int main(int argc, char** argv) {
    const char* program = argc > 0 && argv[0] ? argv[0] : "veld-render";
    try {
        const RenderOptions options =
            parse_render_options(std::vector<std::string>(argv + (argc > 0 ? 1 : 0), argv + argc));
        if (options.help) {
            std::fputs(usage_text().c_str(), stdout);
            return exit_ok;
        }
        return render(options, program);
    } catch (const UsageError& e) {
        complain(e.what());
        return exit_bad_request;
    } catch (const std::exception& e) {
        complain(e.what());
        return exit_unforeseen;
    }
}
