// veld-render: the window's pictures from the command line. See usage_text() for the
// interface; the exit status is 0 on success, 2 for a bad command line or file, 3 for a
// filter run that fails, 1 for anything unforeseen.

#include <cstdio>
#include <exception>
#include <fcntl.h>
#include <string>
#include <unistd.h>
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

void complain(const std::string& message) { std::fprintf(stderr, "veld-render: %s\n", message.c_str()); }

std::string subject_of(const RenderOptions& o) {
    if (o.sample)
        return std::string("sample ") + sample_caption(*o.sample);
    return "input " + o.input + (o.fit ? ", scaled to 256 x 256 in grey levels" : "");
}

int render(const RenderOptions& o, const char* program) {
    TBitmap source;
    try {
        source = o.sample ? sample_picture(*o.sample) : input_picture(o.input, o.fit);
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
            run = first_run(source, o.positions);
        } catch (const MathError& e) {
            // The window's error box text, on its own line.
            std::fprintf(stderr, "%s.\n", e.what());
            return exit_run_failed;
        }
        if (!o.bands_path.empty())
            bands = band_pictures(run.source);
        try {
            if (!o.source_path.empty())
                files.add(run.source, o.source_path);
            if (!o.spectrum_path.empty())
                files.add(run.spectrum, o.spectrum_path);
            if (!o.output_path.empty())
                files.add(run.output, o.output_path);
            if (!o.bands_path.empty())
                files.add(contact_sheet(bands), o.bands_path);
            if (!o.window_path.empty()) {
                // Last, so that every other file is in hand before the windowing engine starts.
                const WindowState state{o.sample, source, o.positions};
                files.add_written_by(o.window_path, [&](const std::string& temporary) {
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

    if (!o.bands_path.empty())
        for (int k = 0; k < band_count; ++k)
            if (bands.empty[k])
                complain("warning: band " + std::to_string(k) + " (ScrollBar" + std::to_string(k + 1) +
                         ") has no positive value after the transform; its tile in " + o.bands_path +
                         " is black");
    if (o.report) {
        const std::string text = band_report(subject_of(o), o.positions, run.energies);
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
