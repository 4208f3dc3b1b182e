// veld-bench: what one filter run costs, against the scalar reference of the run and against
// a peer written on FFTW, and how many slider changes per second the window keeps up with.
//
// One run of the program measures, each as the median of repetitions:
//   reference/filter_run   the scalar reference of a whole run (tests/support/reference_run)
//   reference/fft2d_centred the scalar reference of the centred transform
//   ours/fft2d_centred     the engine's centred transform, default kernel, then each kernel
//   ours/run_filter        run_filter() on the offscreen main window: bitmap writes and canvas
//                          draws included, no event processing, so no screen repaint
//   ours/compute_pictures  the engine's run alone, on bitmaps of its own: what veld-render and
//                          the Python module call
//   peer/filter_run        the same run on FFTW's 256 x 256 transform, planned with FFTW_MEASURE
//   peer/fft2d_centred     FFTW's transform with the centring signs and the 1/N^2 scaling
// then the same subjects once more in interleaved rounds, for ratios that a change in the
// machine's load during the run cannot skew, and a sustained drag of ScrollBar7 over its whole
// range and back, every change painted.
//
// Flags: Google Benchmark's own (--benchmark_filter=..., --benchmark_format=...), and
//   --no-interleave  skip the interleaved rounds
//   --no-drag        skip the drag measurement.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <map>
#include <new>
#include <string>
#include <vector>

#include "application.h"
#include "buffers.h"
#include "drag.h"
#include "engine.h"
#include "fft.h"
#include "form1.h"
#include "messages.h"
#include "peer_fftw.h"
#include "reference_fft.h"
#include "reference_run.h"
#include "samples.h"
#include "state.h"
#include "window_fixture.h"

namespace {

constexpr int n = 256;
constexpr int repetitions = 9;
constexpr double min_seconds = 0.1;

const SliderPositions sliders_at_start = start_positions();

// Wall-clock and CPU medians of one benchmark, in microseconds; negative when it did not run.
struct Median {
    double wall = -1;
    double cpu = -1;
};

// Keeps the median of every benchmark while the console shows the aggregates.
class MedianReporter : public benchmark::ConsoleReporter {
public:
    void ReportRuns(const std::vector<Run>& runs) override {
        ConsoleReporter::ReportRuns(runs);
        for (const Run& r : runs)
            if (r.run_type == Run::RT_Aggregate && r.aggregate_name == "median")
                medians_[r.run_name.function_name] = {r.GetAdjustedRealTime(),
                                                      r.GetAdjustedCPUTime()};
    }
    Median median(const std::string& name) const {
        const auto it = medians_.find(name);
        return it == medians_.end() ? Median{} : it->second;
    }

private:
    std::map<std::string, Median> medians_;
};

// The load average over the last minute: other work on the machine stretches wall-clock
// times, and on two cores it shows.
std::string load_average() {
    std::FILE* f = std::fopen("/proc/loadavg", "r");
    if (!f)
        return "unknown";
    char text[64] = {};
    const bool got = std::fscanf(f, "%63s", text) == 1;
    std::fclose(f);
    return got ? text : "unknown";
}

// The transform benchmarks start every call from the same field: the source picture's blue
// bytes, imaginary part zero. It is put back before each call (outside the timing), so that
// repeated transforms never drift towards subnormal values.
std::vector<std::uint8_t> wave_blue;  // [y * 256 + x]

// A field as the scalar reference holds it: rows of its own, reached through row pointers.
struct RowField {
    std::vector<std::vector<double>> re_rows{n, std::vector<double>(n)},
        im_rows{n, std::vector<double>(n)};
    std::vector<double*> re, im;
    RowField() : re(n), im(n) {
        for (int i = 0; i < n; ++i) {
            re[i] = re_rows[i].data();
            im[i] = im_rows[i].data();
        }
    }
};

// A field in the engine's own buffers.
struct EngineField {
    RealMatrix re = nullptr, im = nullptr;
    EngineField() {
        if (alloc_real_matrix(n, n, &re) != 0 || alloc_real_matrix(n, n, &im) != 0)
            throw std::bad_alloc();
    }
    ~EngineField() {
        for (RealMatrix m : {re, im}) {
            for (int i = 0; m && i < n; ++i)
                std::free(m[i]);
            std::free(m);
        }
    }
    EngineField(const EngineField&) = delete;
    EngineField& operator=(const EngineField&) = delete;
};

void load(double** re, double** im) {
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j) {
            re[i][j] = wave_blue[j * n + i];
            im[i][j] = 0.0;
        }
}

void load(FftwPeer& peer) {
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            peer.at(x, y)[0] = wave_blue[y * n + x];
            peer.at(x, y)[1] = 0.0;
        }
}

std::vector<std::int32_t> reference_bit_reversal;  // copies of the engine's tables for the scalar
std::vector<double> reference_sine_table;          // reference, which shares no buffer with it

void reference_transform(RowField& f) {
    reference_fft2d_centred(n, reference_bit_reversal.data(), reference_sine_table.data(),
                            f.re.data(), f.im.data());
}

// What the peer's runs read and write: a copy of the window's source picture and two
// pictures of its own standing for Image2 and Image3.
struct PeerPictures {
    TBitmap source, spectrum, output;
    explicit PeerPictures(TForm1* form) : source(*form->Image1->Picture()->Bitmap()) {
        for (TBitmap* b : {&spectrum, &output}) {
            b->SetPixelFormat(TPixelFormat::pf24bit);
            b->SetSize(n, n);
        }
    }
};

TForm1* the_form = nullptr;
FftwPeer* the_peer = nullptr;

void reference_whole_run(benchmark::State& state) {
    ReferenceField field;
    for (auto _ : state) {
        ReferenceRun r = reference_run(wave_blue, sliders_at_start, field);
        benchmark::DoNotOptimize(r.output.data());
    }
}

void reference_fft2d(benchmark::State& state) {
    RowField f;
    for (auto _ : state) {
        state.PauseTiming();
        load(f.re.data(), f.im.data());
        state.ResumeTiming();
        reference_transform(f);
        benchmark::ClobberMemory();
    }
}

void ours_fft2d_centred(benchmark::State& state, bool chosen, FftKernel kernel) {
    const FftKernel previous = fft_kernel();
    if (chosen)
        set_fft_kernel(kernel);
    EngineField f;
    for (auto _ : state) {
        state.PauseTiming();
        load(f.re, f.im);
        state.ResumeTiming();
        fft2d_centred(&f.re, &f.im);
        benchmark::ClobberMemory();
    }
    set_fft_kernel(previous);
}

void ours_run_filter(benchmark::State& state) {
    for (auto _ : state)
        run_filter();
}

// The engine's run on pictures of its own, the window's source and sliders at the start.
struct EnginePictures {
    TBitmap source, spectrum, output;
    BandGains gains = gains_from_positions(start_positions());
    explicit EnginePictures(TForm1* form) : source(*form->Image1->Picture()->Bitmap()) {
        for (TBitmap* b : {&spectrum, &output}) {
            b->SetPixelFormat(TPixelFormat::pf24bit);
            b->SetSize(n, n);
        }
    }
    void run() { compute_pictures(source, gains, {*spectrum.Canvas(), *output.Canvas()}); }
};

void ours_compute_pictures(benchmark::State& state) {
    EnginePictures pictures(the_form);
    for (auto _ : state)
        pictures.run();
}

void peer_filter_run(benchmark::State& state) {
    PeerPictures pictures(the_form);
    for (auto _ : state) {
        const bool done =
            the_peer->run(pictures.source, sliders_at_start, pictures.spectrum, pictures.output);
        benchmark::DoNotOptimize(done);
    }
}

void peer_fft2d_centred(benchmark::State& state) {
    for (auto _ : state) {
        state.PauseTiming();
        load(*the_peer);
        state.ResumeTiming();
        the_peer->centred_transform();
        benchmark::ClobberMemory();
    }
}

// The ratios once more from interleaved calls: round after round, each subject in turn, called
// once untimed and then once timed. Slow changes in the machine's load then fall on all subjects
// alike, which the separate benchmarks above cannot promise on a shared two-core machine; the
// untimed call gives the timed one the warm caches and heap of a benchmark loop, so that no
// subject pays for the memory the others touched.
struct Interleaved {
    int rounds = 0;
    Median scalar_run, ours_run, peer_run;
    Median scalar_fft, ours_fft, peer_fft;
    Median ours_engine;
};

// Processor time of the whole process, all its threads, in microseconds.
double process_cpu_us() {
    timespec t{};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &t);
    return t.tv_sec * 1e6 + t.tv_nsec * 1e-3;
}

Interleaved interleaved(int rounds) {
    using Clock = std::chrono::steady_clock;
    struct Times {
        std::vector<double> wall, cpu;
    };
    const auto measure = [](Times& times, auto&& prepare, auto&& call) {
        prepare();
        call();
        prepare();
        const double cpu_start = process_cpu_us();
        const auto start = Clock::now();
        call();
        times.wall.push_back(
            std::chrono::duration<double, std::micro>(Clock::now() - start).count());
        times.cpu.push_back(process_cpu_us() - cpu_start);
    };
    const auto nothing = [] {};
    const auto median = [](Times& times) {
        for (std::vector<double>* v : {&times.wall, &times.cpu})
            std::sort(v->begin(), v->end());
        return Median{times.wall[times.wall.size() / 2], times.cpu[times.cpu.size() / 2]};
    };
    ReferenceField reference_field;
    PeerPictures pictures(the_form);
    RowField row_field;
    EngineField engine_field;
    EnginePictures engine(the_form);
    Times t[7];
    for (int r = 0; r < rounds; ++r) {
        measure(t[0], nothing,
                [&] { reference_run(wave_blue, sliders_at_start, reference_field); });
        measure(t[1], nothing, [] { run_filter(); });
        measure(t[2], nothing, [&] {
            the_peer->run(pictures.source, sliders_at_start, pictures.spectrum, pictures.output);
        });
        measure(
            t[3], [&] { load(row_field.re.data(), row_field.im.data()); },
            [&] { reference_transform(row_field); });
        measure(
            t[4], [&] { load(engine_field.re, engine_field.im); },
            [&] { fft2d_centred(&engine_field.re, &engine_field.im); });
        measure(
            t[5], [] { load(*the_peer); }, [] { the_peer->centred_transform(); });
        measure(t[6], nothing, [&] { engine.run(); });
    }
    return {rounds,       median(t[0]), median(t[1]), median(t[2]),
            median(t[3]), median(t[4]), median(t[5]), median(t[6])};
}

benchmark::internal::Benchmark* shaped(benchmark::internal::Benchmark* b) {
    return b->Unit(benchmark::kMicrosecond)
        ->UseRealTime()
        ->MeasureProcessCPUTime()
        ->MinTime(min_seconds)
        ->Repetitions(repetitions)
        ->ReportAggregatesOnly(true);
}

// Checks made once before measuring, so that the figures compare like with like.
bool check_pictures(TForm1* form, FftwPeer& peer) {
    // The window's first run (start-up, Wave, every slider at 100) against the scalar reference
    // on a fresh field.
    ReferenceField field;
    const ReferenceRun reference =
        reference_run(sample_blue(Sample::Wave), sliders_at_start, field);
    const bool exact = picture_bytes(form->Image2) == reference.spectrum &&
                       picture_bytes(form->Image3) == reference.output;
    std::printf("check: ours equals the scalar reference bit for bit (Wave, sliders at 100): %s\n",
                exact ? "yes" : "NO");

    TBitmap spectrum, output;
    for (TBitmap* b : {&spectrum, &output}) {
        b->SetPixelFormat(TPixelFormat::pf24bit);
        b->SetSize(n, n);
    }
    const bool ran =
        peer.run(*form->Image1->Picture()->Bitmap(), sliders_at_start, spectrum, output);
    const std::vector<std::uint8_t> ours = picture_bytes(form->Image3);
    int worst = ran ? 0 : 256;
    long differing = 0;
    for (int y = 0; ran && y < n; ++y)
        for (int b = 0; b < 3 * n; ++b) {
            const int d = std::abs(int(output.ScanLine(y)[b]) - int(ours[y * 3 * n + b]));
            worst = std::max(worst, d);
            differing += d != 0;
        }
    // The spectrum picture: its colour ramps wrap, so one rounding step can take a byte from
    // 255 to 0; distances are therefore taken around the circle of 256.
    const std::vector<std::uint8_t> ours_spectrum = picture_bytes(form->Image2);
    int spectrum_worst = 0;
    long spectrum_differing = 0;
    for (int y = 0; ran && y < n; ++y)
        for (int b = 0; b < 3 * n; ++b) {
            const int d =
                std::abs(int(spectrum.ScanLine(y)[b]) - int(ours_spectrum[y * 3 * n + b]));
            const int around = std::min(d, 256 - d);
            spectrum_worst = std::max(spectrum_worst, around);
            spectrum_differing += around != 0;
        }
    double profile_error = 0;
    for (int k = 0; k < radial_bins; ++k) {
        const double a = radial_profile[k], b = peer.profile()[k];
        if (a != b)
            profile_error =
                std::max(profile_error, std::fabs(a - b) / std::max(std::fabs(a), std::fabs(b)));
    }
    std::printf(
        "check: peer spectrum picture against ours: largest difference %d (modulo 256), "
        "%ld of %d bytes differ; profile largest relative difference %.1e\n",
        spectrum_worst, spectrum_differing, 3 * n * n, profile_error);

    const bool close = ran && worst <= 1;
    std::printf(
        "check: peer output picture equals ours within +-1 per byte (Wave, sliders at 100): "
        "%s (largest difference %d, %ld of %d bytes differ)\n",
        close ? "yes" : "NO", worst, differing, 3 * n * n);
    return exact && close;
}

void print_row(const std::string& name, Median m) {
    if (m.wall < 0)
        std::printf("  %-38s %12s\n", name.c_str(), "not run");
    else
        std::printf("  %-38s %12.1f %12.1f\n", name.c_str(), m.wall, m.cpu);
}

void print_ratio(const char* name, Median ours, Median other) {
    if (ours.wall <= 0 || other.wall <= 0)
        std::printf("  %-38s %12s\n", name, "n/a");
    else
        std::printf("  %-38s %12.3f %12.3f\n", name, ours.wall / other.wall, ours.cpu / other.cpu);
}

DragFigures median_pass(std::vector<DragFigures> passes) {
    std::sort(passes.begin(), passes.end(), [](const DragFigures& a, const DragFigures& b) {
        return a.changes_per_second() < b.changes_per_second();
    });
    return passes.empty() ? DragFigures{} : passes[passes.size() / 2];
}

}  // namespace

int main(int argc, char** argv) {
    bool drag = true, paired = true;
    int kept = 1;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--no-drag") == 0)
            drag = false;
        else if (std::strcmp(argv[i], "--no-interleave") == 0)
            paired = false;
        else
            argv[kept++] = argv[i];
    }
    argc = kept;
    benchmark::Initialize(&argc, argv);
    if (benchmark::ReportUnrecognizedArguments(argc, argv))
        return 2;

    // The window runs headless; nothing is ever shown on a screen.
    setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static char name[] = "veld";
    static char* args[] = {name, nullptr};
    Application->Initialize(1, args);
    set_message_presenter([](const MessageRequest& r) {
        std::fprintf(stderr, "message box: %s: %s\n", r.title.c_str(), r.text.c_str());
    });

    TForm1* form = open_window();
    the_form = form;
    wave_blue = sample_blue(Sample::Wave);
    reference_bit_reversal.assign(bit_reversal, bit_reversal + n);
    reference_sine_table.assign(sine_table, sine_table + (5 * n) / 4);

    std::printf("planning FFTW (FFTW_MEASURE) ...\n");
    std::fflush(stdout);
    FftwPeer peer;
    the_peer = &peer;
    const bool checks_pass = check_pictures(form, peer);

    const std::string kernel = fft_kernel_name();
    const std::string load_before = load_average();
    shaped(benchmark::RegisterBenchmark("reference/filter_run", reference_whole_run));
    shaped(benchmark::RegisterBenchmark("reference/fft2d_centred", reference_fft2d));
    // The default kernel, whichever it is (the kernel argument is then not used).
    shaped(benchmark::RegisterBenchmark("ours/fft2d_centred", ours_fft2d_centred, false,
                                        FftKernel::Plain));
    // Every kernel this processor runs, each forced in turn, then the default again.
    std::vector<std::string> kernel_labels;
    const FftKernel default_kernel = fft_kernel();
    for (FftKernel k : {FftKernel::Plain, FftKernel::Sse2, FftKernel::Avx2, FftKernel::Avx512}) {
        if (!fft_kernel_supported(k) || !set_fft_kernel(k))
            continue;
        kernel_labels.push_back(std::string("ours/fft2d_centred:") + fft_kernel_name());
        shaped(benchmark::RegisterBenchmark(kernel_labels.back().c_str(), ours_fft2d_centred, true,
                                            k));
    }
    set_fft_kernel(default_kernel);
    shaped(benchmark::RegisterBenchmark("ours/run_filter", ours_run_filter));
    shaped(benchmark::RegisterBenchmark("ours/compute_pictures", ours_compute_pictures));
    shaped(benchmark::RegisterBenchmark("peer/filter_run", peer_filter_run));
    shaped(benchmark::RegisterBenchmark("peer/fft2d_centred", peer_fft2d_centred));

    MedianReporter reporter;
    benchmark::RunSpecifiedBenchmarks(&reporter);
    Application->ProcessMessages();

    constexpr int rounds = 101;
    const Interleaved together = paired ? interleaved(rounds) : Interleaved{};
    Application->ProcessMessages();

    // The drag, a few passes of each kind; the pass with the median rate is reported.
    constexpr int passes = 3;
    std::vector<DragFigures> by_position, by_mouse;
    if (drag) {
        TScrollBar* bar = form->ScrollBar7;
        for (int p = 0; p < passes; ++p) {
            by_position.push_back(drag_by_positions(form, bar));
            by_mouse.push_back(drag_by_mouse(form, bar));
        }
        bar->SetPosition(100);
        Application->ProcessMessages();
    }
    const std::string load_after = load_average();

    const Median scalar_run = reporter.median("reference/filter_run");
    const Median scalar_fft = reporter.median("reference/fft2d_centred");
    const Median ours_fft = reporter.median("ours/fft2d_centred");
    const Median ours_run = reporter.median("ours/run_filter");
    const Median ours_engine = reporter.median("ours/compute_pictures");
    const Median peer_run = reporter.median("peer/filter_run");
    const Median peer_fft = reporter.median("peer/fft2d_centred");

    std::printf("\nveld-bench: FFT kernel %s; load average %s before, %s after\n", kernel.c_str(),
                load_before.c_str(), load_after.c_str());
    std::printf(
        "cpu is the processor time of all the program's threads; wall is stretched by\n"
        "whatever else the machine runs\n");
    std::printf("benchmarks: medians of %d repetitions\n", repetitions);
    std::printf("  %-38s %12s %12s\n", "microseconds per call", "wall", "cpu");
    print_row("reference  whole filter run", scalar_run);
    print_row("reference  fft2d_centred", scalar_fft);
    print_row("ours   fft2d_centred (" + kernel + ", default)", ours_fft);
    for (const std::string& label : kernel_labels)
        print_row("ours   fft2d_centred, kernel " + label.substr(label.find(':') + 1),
                  reporter.median(label));
    print_row("ours   run_filter (offscreen window)", ours_run);
    print_row("ours   compute_pictures (engine alone)", ours_engine);
    print_row("peer   whole filter run (FFTW)", peer_run);
    print_row("peer   centred transform (FFTW)", peer_fft);
    std::printf("  %-38s %12s %12s\n", "ratios, time over time", "wall", "cpu");
    print_ratio("fft2d_centred  ours / reference", ours_fft, scalar_fft);
    print_ratio("whole run      ours / reference", ours_run, scalar_run);
    print_ratio("whole run      ours / peer", ours_run, peer_run);
    print_ratio("transform      ours / peer", ours_fft, peer_fft);
    if (paired) {
        std::printf("interleaved: %d rounds, each subject called once untimed, then once timed\n",
                    together.rounds);
        std::printf("  %-38s %12s %12s\n", "microseconds per call", "wall", "cpu");
        print_row("reference  whole filter run", together.scalar_run);
        print_row("reference  fft2d_centred", together.scalar_fft);
        print_row("ours   fft2d_centred (" + kernel + ")", together.ours_fft);
        print_row("ours   run_filter (offscreen window)", together.ours_run);
        print_row("ours   compute_pictures (engine alone)", together.ours_engine);
        print_row("peer   whole filter run (FFTW)", together.peer_run);
        print_row("peer   centred transform (FFTW)", together.peer_fft);
        std::printf("  %-38s %12s %12s\n", "ratios, time over time", "wall", "cpu");
        print_ratio("fft2d_centred  ours / reference", together.ours_fft, together.scalar_fft);
        print_ratio("whole run      ours / reference", together.ours_run, together.scalar_run);
        print_ratio("whole run      ours / peer", together.ours_run, together.peer_run);
        print_ratio("transform      ours / peer", together.ours_fft, together.peer_fft);
    }
    if (drag) {
        std::printf(
            "sustained drag of ScrollBar7, 0 -> 200 -> 0, every change painted; median of %d "
            "passes\n",
            passes);
        const DragFigures p = median_pass(by_position), m = median_pass(by_mouse);
        std::printf("  %-38s %8.0f changes/s  (%d changes, %d events, %d forced repaints)\n",
                    "slider positions, one per event", p.changes_per_second(), p.changes, p.events,
                    p.forced_repaints);
        if (p.changes > 0)
            std::printf(
                "  %-38s handler %.2f ms wall, %.2f ms cpu; event loop and painting "
                "%.2f ms wall, %.2f ms cpu\n",
                "  per change", 1e3 * p.handler_seconds / p.changes,
                1e3 * p.handler_cpu_seconds / p.changes, 1e3 * p.settle_seconds() / p.changes,
                1e3 * p.settle_cpu_seconds / p.changes);
        std::printf("  %-38s %8.0f changes/s  (%d changes, %d events, %d forced repaints)\n",
                    "mouse drag, one pixel per event", m.changes_per_second(), m.changes, m.events,
                    m.forced_repaints);
    }
    if (!checks_pass)
        std::printf("a start-up check failed: the figures above do not compare like with like\n");

    close_window();
    Application->DestroyForms();
    benchmark::Shutdown();
    return checks_pass ? 0 : 1;
}
