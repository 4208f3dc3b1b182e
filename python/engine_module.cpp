// veld._engine: the engine's run, the samples and the fitting, over numpy buffers. The public
// interface, its checks and its documentation are in veld/__init__.py; this module takes
// arguments already checked there (shapes, types, ranges) and checks only what keeps memory
// safe.
//
// Index order: numpy arrays are [row y][column x]; the engine's matrices are [x][y]. Pictures are
// copied into C-ordered arrays. The complex fields are handed out as Fortran-ordered arrays, so
// that element [y][x] lies at x * 256 + y: the observer then writes each engine row x as one
// contiguous run of memory, with no transpose.
//
// The working state (working_state.h) is one per process. It is started once, when the module
// is imported, and every use of it holds engine_mutex. A run releases the GIL first and then
// waits for the mutex, so a thread waiting for the engine never blocks the interpreter.

#include <fcntl.h>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <unistd.h>

#include <array>
#include <bit>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>
#include <new>
#include <string>
#include <vector>

#include "band.h"
#include "energies.h"
#include "engine.h"
#include "exceptions.h"
#include "fit.h"
#include "graphics.h"
#include "numeric.h"
#include "samples.h"
#include "working_state.h"

namespace py = pybind11;

namespace {

constexpr int n = image_size;

std::mutex engine_mutex;

// The exception classes, created once at import and kept alive by the module that holds them.
struct ErrorClasses {
    PyObject* math = nullptr;
    PyObject* zero_maximum = nullptr;
    PyObject* invalid_operation = nullptr;
    PyObject* overflow = nullptr;
};
ErrorClasses errors;

// The engine's trace lines ("extended int", "a", "b") go to standard output, as the window
// writes them; from Python they would land in the user's notebook or terminal. While one of
// these exists, file descriptor 1 points to /dev/null.
class StandardOutputSilenced {
public:
    StandardOutputSilenced() {
        std::fflush(stdout);
        saved_ = ::dup(STDOUT_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0)
            ::dup2(null, STDOUT_FILENO);
        if (null >= 0)
            ::close(null);
    }
    ~StandardOutputSilenced() {
        std::fflush(stdout);
        if (saved_ >= 0) {
            ::dup2(saved_, STDOUT_FILENO);
            ::close(saved_);
        }
    }
    StandardOutputSilenced(const StandardOutputSilenced&) = delete;
    StandardOutputSilenced& operator=(const StandardOutputSilenced&) = delete;

private:
    int saved_ = -1;
};

// Called with the GIL held, while the module is imported: no other thread can print from Python
// while standard output is silenced, and no run can be waiting.
void start_engine_quietly() {
    const std::lock_guard<std::mutex> lock(engine_mutex);
    const StandardOutputSilenced quiet;
    start_engine();
}

// What an empty TImage makes its picture: 24 bits, 256 x 256, black.
TBitmap empty_picture() {
    TBitmap bitmap;
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    bitmap.SetSize(n, n);
    return bitmap;
}

// fill_grey and blue_bytes move four pixels at a time as 32-bit words: twelve bytes of a 24-bit
// row are three words, four bytes of a grey row one. Byte k of a word is bits 8k ... 8k + 7.
std::uint32_t load_word(const std::uint8_t* bytes) {
    std::uint32_t word;
    std::memcpy(&word, bytes, sizeof word);
    if constexpr (std::endian::native == std::endian::big)
        word = __builtin_bswap32(word);
    return word;
}

void store_word(std::uint8_t* bytes, std::uint32_t word) {
    if constexpr (std::endian::native == std::endian::big)
        word = __builtin_bswap32(word);
    std::memcpy(bytes, &word, sizeof word);
}

// The three bytes of pixel (x, y) of a 24-bit 256 x 256 bitmap become grey[y * 256 + x].
void fill_grey(TBitmap& bitmap, const std::uint8_t* grey) {
    for (int y = 0; y < n; ++y) {
        std::uint8_t* row = bitmap.ScanLine(y);
        const std::uint8_t* in = grey + static_cast<std::size_t>(y) * n;
        for (int x = 0; x < n; x += 4, row += 12) {
            // Levels a, b, c, d become a a a b | b b c c | c d d d.
            const std::uint32_t g = load_word(in + x);
            const std::uint32_t a = g & 0xFF;
            const std::uint32_t b = (g >> 8) & 0xFF;
            const std::uint32_t c = (g >> 16) & 0xFF;
            const std::uint32_t d = g >> 24;
            store_word(row, a * 0x010101 | b << 24);
            store_word(row + 4, b * 0x0101 | c * 0x01010000);
            store_word(row + 8, c | d * 0x01010100);
        }
    }
}

// The blue byte of every pixel of a 24-bit 256 x 256 bitmap, [y][x].
void blue_bytes(const TBitmap& bitmap, std::uint8_t* out) {
    for (int y = 0; y < n; ++y) {
        const std::uint8_t* row = bitmap.ScanLine(y);
        std::uint8_t* o = out + static_cast<std::size_t>(y) * n;
        for (int x = 0; x < n; x += 4, row += 12) {
            // B0 G0 R0 B1 | G1 R1 B2 G2 | R2 B3 G3 R3: the blues are bytes 0 and 3, 2, 1.
            const std::uint32_t w0 = load_word(row);
            const std::uint32_t w1 = load_word(row + 4);
            const std::uint32_t w2 = load_word(row + 8);
            store_word(o + x, (w0 & 0xFF) | ((w0 >> 16) & 0xFF00) | (w1 & 0xFF0000) |
                                  ((w2 << 16) & 0xFF000000));
        }
    }
}

// Red, green, blue of every pixel, [y][x][channel]: the first and third byte of every pixel
// exchanged. Five pixels at a time in SSE2: a window of 16 bytes holds them from its first byte
// on, the shifts by two bytes bring each pixel's red and blue to the other's place, and the
// window's last byte, which belongs to the next pixel, is written again by the next window.
void rgb_bytes(const TBitmap& bitmap, std::uint8_t* out) {
    for (int y = 0; y < n; ++y) {
        const std::uint8_t* row = bitmap.ScanLine(y);
        std::uint8_t* o = out + static_cast<std::size_t>(y) * n * 3;
        int x = 0;
#if defined(__SSE2__)
        constexpr int window_pixels = 5;
        const __m128i middle = _mm_setr_epi8(0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0);
        const __m128i first = _mm_setr_epi8(-1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, -1, 0, 0, 0);
        const __m128i third = _mm_slli_si128(first, 2);
        // Every window but the one that would reach past the row's end.
        for (; x + window_pixels < n; x += window_pixels) {
            const __m128i bgr = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + 3 * x));
            const __m128i rgb =
                _mm_or_si128(_mm_and_si128(bgr, middle),
                             _mm_or_si128(_mm_and_si128(_mm_srli_si128(bgr, 2), first),
                                          _mm_and_si128(_mm_slli_si128(bgr, 2), third)));
            _mm_storeu_si128(reinterpret_cast<__m128i*>(o + 3 * x), rgb);
        }
#endif
        for (; x < n; ++x) {
            o[3 * x] = row[3 * x + 2];
            o[3 * x + 1] = row[3 * x + 1];
            o[3 * x + 2] = row[3 * x];
        }
    }
}

// Memory for the arrays a run hands out, kept for the next run once numpy lets go of it. A
// run's arrays take 3.5 MB; obtained from the heap afresh every run, glibc maps and unmaps them
// (or grows and trims its heap) each time, and the page faults of touching them again cost more
// than the run itself. Each kind of array has a cache of its own, holding at most `keep` blocks
// of `bytes` each: two runs' worth, so that a loop that keeps the last result while it makes the
// next one always finds its blocks.
class BlockCache {
public:
    // Room for every block it keeps, so that giving one back never allocates.
    BlockCache(std::size_t bytes, std::size_t keep) : bytes_(bytes), keep_(keep) {
        free_.reserve(keep);
    }

    void* take() {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (!free_.empty()) {
                void* block = free_.back();
                free_.pop_back();
                return block;
            }
        }
        void* block = std::aligned_alloc(block_alignment, bytes_);
        if (!block)
            throw std::bad_alloc();
        return block;
    }

    void give(void* block) {
        {
            const std::lock_guard<std::mutex> lock(mutex_);
            if (free_.size() < keep_) {
                free_.push_back(block);
                return;
            }
        }
        std::free(block);
    }

private:
    static constexpr std::size_t block_alignment = 64;
    std::size_t bytes_;
    std::size_t keep_;
    std::mutex mutex_;
    std::vector<void*> free_;
};

// Never destroyed: numpy may release a block while the interpreter shuts down, after the
// module's static objects would be gone.
BlockCache& grey_blocks() {
    static BlockCache* const cache = new BlockCache(n * n, 4);
    return *cache;
}
BlockCache& colour_blocks() {
    static BlockCache* const cache = new BlockCache(n * n * 3, 2);
    return *cache;
}
BlockCache& field_blocks() {
    static BlockCache* const cache = new BlockCache(n * n * sizeof(std::complex<double>), 6);
    return *cache;
}

// A numpy array over a block of `cache`, which gets the block back when the array is gone.
template <class T, BlockCache& (*cache)()>
py::array_t<T> cached_array(std::vector<py::ssize_t> shape, std::vector<py::ssize_t> strides) {
    void* block = cache().take();
    py::capsule owner;
    try {
        owner = py::capsule(block, [](void* b) { cache().give(b); });
    } catch (...) {
        cache().give(block);
        throw;
    }
    return py::array_t<T>(std::move(shape), std::move(strides), static_cast<T*>(block), owner);
}

// A 256 x 256 byte picture, [y][x].
py::array_t<std::uint8_t> grey_array() {
    return cached_array<std::uint8_t, grey_blocks>({n, n}, {n, 1});
}

// A 256 x 256 colour picture, [y][x][red, green, blue].
py::array_t<std::uint8_t> colour_array() {
    return cached_array<std::uint8_t, colour_blocks>({n, n, 3}, {3 * n, 3, 1});
}

// A 256 x 256 complex array indexed [y][x] whose memory holds the engine's order [x][y]
// (Fortran order).
py::array_t<std::complex<double>> field_array() {
    constexpr py::ssize_t element = sizeof(std::complex<double>);
    return cached_array<std::complex<double>, field_blocks>({n, n}, {element, n * element});
}

// Copies two moments of a run into Fortran-ordered complex buffers: engine row x becomes the
// contiguous column x of the array. The field after the gains is not copied: each of its
// elements is its band's factor times the element before the gains, exactly (the run multiplies
// each part once), so filtered_field makes it from the centred spectrum when it is asked for.
class FieldCopier : public SpectrumObserver {
public:
    FieldCopier(std::complex<double>* centred, std::complex<double>* back)
        : centred_(centred), back_(back) {}
    void before_gains(RealMatrix re, RealMatrix im) override { copy(re, im, centred_); }
    void after_back_transform(RealMatrix re, RealMatrix im) override { copy(re, im, back_); }

private:
    // Real parts from row x of re and imaginary parts from row x of im, stored as (re, im)
    // pairs, two elements at a time. The stores bypass the cache: the three fields are 3 MB
    // that the run itself never reads again, and they would push its own buffers out.
    static void copy(RealMatrix re, RealMatrix im, std::complex<double>* out) {
        // std::complex<double> is laid out as two doubles, real part first.
        double* o = reinterpret_cast<double*>(out);
        for (int x = 0; x < n; ++x) {
            const double* r = re[x];
            const double* m = im[x];
#if defined(__SSE2__)
            for (int y = 0; y < n; y += 2, o += 4) {
                const __m128d real = _mm_loadu_pd(r + y);
                const __m128d imaginary = _mm_loadu_pd(m + y);
                _mm_stream_pd(o, _mm_unpacklo_pd(real, imaginary));
                _mm_stream_pd(o + 2, _mm_unpackhi_pd(real, imaginary));
            }
#else
            for (int y = 0; y < n; ++y, o += 2) {
                o[0] = r[y];
                o[1] = m[y];
            }
#endif
        }
#if defined(__SSE2__)
        // Streamed stores are not ordered with later ones: the fence puts them before the
        // arrays are handed to numpy, on whichever thread reads them.
        _mm_sfence();
#endif
    }
    std::complex<double>* centred_;
    std::complex<double>* back_;
};

SliderPositions positions_from(const std::vector<int>& values) {
    if (values.size() != band_count)
        throw py::value_error("expected " + std::to_string(band_count) + " slider positions");
    SliderPositions positions{};
    for (int k = 0; k < band_count; ++k) {
        if (values[k] < slider_min || values[k] > slider_max)
            throw py::value_error("slider position out of range");
        positions[k] = values[k];
    }
    return positions;
}

const std::uint8_t* checked_source(const py::array_t<std::uint8_t, py::array::c_style>& source) {
    if (source.ndim() != 2 || source.shape(0) != n || source.shape(1) != n)
        throw py::value_error("the source must be a 256 x 256 uint8 array");
    return source.data();
}

// The surfaces of a run: the source as Image1 holds it, and the spectrum and output pictures
// as an empty TImage makes them. Kept from run to run (every run draws the whole of both
// pictures), used only with engine_mutex held, and never destroyed, like the working state.
struct Surfaces {
    TBitmap source = empty_picture();
    TBitmap spectrum = empty_picture();
    TBitmap output = empty_picture();
    // The levels the source holds, so that runs over one picture at many settings fill it once.
    // The run only reads its source, and converting it to 24 bits and 256 x 256 changes nothing.
    std::vector<std::uint8_t> levels;
};
Surfaces& surfaces() {
    static Surfaces* const kept = new Surfaces;
    return *kept;
}

// One run from a fresh start's state: the window's first run, as veld-render makes it. Called
// with the GIL released and engine_mutex held, on levels that nothing else can change.
Surfaces& fresh_run(const std::uint8_t* grey, const SliderPositions& positions,
                    SpectrumObserver* observer) {
    Surfaces& s = surfaces();
    if (s.levels.empty() || std::memcmp(s.levels.data(), grey, n * n) != 0) {
        fill_grey(s.source, grey);
        s.levels.assign(grey, grey + n * n);
    }
    clear_imaginary_field();
    compute_pictures(s.source, gains_from_positions(positions),
                     {*s.spectrum.Canvas(), *s.output.Canvas()}, observer);
    return s;
}

py::tuple run(const py::array_t<std::uint8_t, py::array::c_style>& source_array,
              const std::vector<int>& position_values) {
    const std::uint8_t* grey = checked_source(source_array);
    const SliderPositions positions = positions_from(position_values);

    auto source_out = grey_array();
    auto spectrum_out = colour_array();
    auto output_out = grey_array();
    auto profile_out = py::array_t<double>(radial_bins);
    auto centred = field_array();
    auto back = field_array();
    // Raw pointers taken while the GIL is held; the arrays stay alive in this frame.
    std::uint8_t* source_bytes = source_out.mutable_data();
    std::uint8_t* spectrum_bytes = spectrum_out.mutable_data();
    std::uint8_t* output_bytes = output_out.mutable_data();
    double* profile = profile_out.mutable_data();
    FieldCopier fields(centred.mutable_data(), back.mutable_data());
    // The run reads its own copy: the caller's array may change while the GIL is released.
    std::memcpy(source_bytes, grey, n * n);
    {
        const py::gil_scoped_release unlocked;
        const std::lock_guard<std::mutex> lock(engine_mutex);
        const Surfaces& done = fresh_run(source_bytes, positions, &fields);
        rgb_bytes(done.spectrum, spectrum_bytes);
        blue_bytes(done.output, output_bytes);
        std::memcpy(profile, radial_profile, sizeof radial_profile);
    }
    return py::make_tuple(source_out, spectrum_out, output_out, profile_out, centred, back);
}

// The field after the gains from the centred spectrum of the same run: each part of each element
// times its band's factor, the one product the run's gains make, so the bits are the run's.
py::array_t<std::complex<double>> filtered_field(
    const py::array_t<std::complex<double>, py::array::f_style>& centred,
    const std::vector<int>& position_values) {
    if (centred.ndim() != 2 || centred.shape(0) != n || centred.shape(1) != n)
        throw py::value_error("expected a 256 x 256 centred spectrum");
    const BandGains gains = gains_from_positions(positions_from(position_values));
    BandGains factors{};
    for (int k = 0; k < band_count; ++k)
        factors[k] = band_factor(gains[k]);
    auto filtered = field_array();
    const double* in = reinterpret_cast<const double*>(centred.data());
    double* out = reinterpret_cast<double*>(filtered.mutable_data());
    for (int x = 0; x < n; ++x)
        for (int y = 0; y < n; ++y, in += 2, out += 2) {
            const double factor = factors[band_map[x][y]];
            out[0] = factor * in[0];
            out[1] = factor * in[1];
        }
    return filtered;
}

py::dict report(const py::array_t<std::uint8_t, py::array::c_style>& source_array,
                const std::vector<int>& position_values) {
    const std::uint8_t* grey = checked_source(source_array);
    const SliderPositions positions = positions_from(position_values);
    BandEnergies energies;
    const std::vector<std::uint8_t> levels(grey, grey + n * n);
    {
        const py::gil_scoped_release unlocked;
        EnergyMeter meter(energies);
        const std::lock_guard<std::mutex> lock(engine_mutex);
        const Surfaces& done = fresh_run(levels.data(), positions, &meter);
        meter.finish(done.source);
    }
    const ParsevalCheck parseval = parseval_check(energies);
    py::dict d;
    d["before"] = energies.before;
    d["after"] = energies.after;
    d["elements"] = energies.elements;
    d["source_square_sum"] = energies.source_square_sum;
    d["spectrum_side"] = parseval.spectrum_side;
    d["source_side"] = parseval.source_side;
    d["relative_difference"] = parseval.relative_difference;
    d["agrees"] = parseval.agrees;
    return d;
}

py::array_t<std::uint8_t> sample(int index) {
    if (index < 0 || index >= sample_count)
        throw py::value_error("no sample " + std::to_string(index));
    const std::vector<std::uint8_t> bmp = sample_bmp(static_cast<Sample>(index));
    TBitmap picture;
    picture.LoadFromBmp(bmp.data(), bmp.size());
    // What the run reads of it: converted to 24 bits and 256 x 256 in place.
    picture.SetPixelFormat(TPixelFormat::pf24bit);
    picture.SetWidth(n);
    picture.SetHeight(n);
    auto out = grey_array();
    blue_bytes(picture, out.mutable_data());
    return out;
}

std::vector<std::string> sample_names() {
    std::vector<std::string> names;
    for (Sample s : all_samples)
        names.emplace_back(sample_caption(s));
    return names;
}

py::array_t<std::uint8_t> fit(const py::array_t<std::uint16_t, py::array::c_style>& samples) {
    if (samples.ndim() != 3)
        throw py::value_error("expected a height x width x channels array");
    WidePicture picture;
    picture.height = static_cast<int>(samples.shape(0));
    picture.width = static_cast<int>(samples.shape(1));
    picture.channels = static_cast<int>(samples.shape(2));
    if (picture.height != samples.shape(0) || picture.width != samples.shape(1))
        throw py::value_error("the picture is too large to fit");
    picture.samples.assign(samples.data(), samples.data() + samples.size());
    auto out = grey_array();
    std::uint8_t* bytes = out.mutable_data();
    {
        // Fitting is pure: it needs neither the GIL nor the engine.
        const py::gil_scoped_release unlocked;
        try {
            const TBitmap fitted = fit_picture(picture, n);
            blue_bytes(fitted, bytes);
        } catch (const EInvalidGraphic& e) {
            throw py::value_error(e.what());
        }
    }
    return out;
}

py::list bands() {
    std::array<std::int64_t, band_count> counts;
    {
        const py::gil_scoped_release unlocked;
        const std::lock_guard<std::mutex> lock(engine_mutex);
        counts = band_element_counts();
    }
    py::list list;
    for (int k = 0; k < band_count; ++k) {
        // The last band reaches the corners of the spectrum; its ring is cut off there.
        const double outer = k == band_count - 1 ? largest_radius() : band_outer_radius(k);
        list.append(py::make_tuple(band_inner_radius(k), outer, counts[k]));
    }
    return list;
}

py::array_t<std::int32_t> bands_of_positions() {
    auto out = py::array_t<std::int32_t>({n, n});
    std::int32_t* o = out.mutable_data();
    {
        const py::gil_scoped_release unlocked;
        const std::lock_guard<std::mutex> lock(engine_mutex);
        for (int y = 0; y < n; ++y)
            for (int x = 0; x < n; ++x)
                o[y * n + x] = band_map[x][y];
    }
    return out;
}

double factor_of_gain(int gain) { return band_factor(gain); }

PyObject* new_error(py::module_& m, const char* name, const char* doc, py::tuple bases) {
    const std::string qualified = std::string("veld.") + name;
    PyObject* type =
        PyErr_NewExceptionWithDoc(qualified.c_str(), doc, bases.ptr(), /*dict=*/nullptr);
    if (!type)
        throw py::error_already_set();
    m.add_object(name, py::reinterpret_steal<py::object>(type));
    // The module now holds a reference; one more keeps the translator's copy valid for as long
    // as the interpreter may still raise it.
    Py_INCREF(type);
    return type;
}

}  // namespace

PYBIND11_MODULE(_engine, m) {
    m.doc() = "The VELD engine over numpy buffers; use the veld package, not this module.";

    errors.math = new_error(
        m, "MathError",
        "A floating-point error of a filter run, with the text the window shows in its box.",
        py::make_tuple(py::handle(PyExc_ArithmeticError)));
    errors.zero_maximum = new_error(
        m, "ZeroMaximumError",
        "The filtered picture has no positive value, so there is nothing to normalise by "
        "(all gains 0, or a black source). The window shows \"0 による浮動小数点数除算.\".",
        py::make_tuple(py::handle(errors.math), py::handle(PyExc_ZeroDivisionError)));
    errors.invalid_operation =
        new_error(m, "InvalidOperationError", "An invalid floating-point operation in a run.",
                  py::make_tuple(py::handle(errors.math)));
    errors.overflow =
        new_error(m, "FloatOverflowError", "A floating-point overflow in a run.",
                  py::make_tuple(py::handle(errors.math), py::handle(PyExc_OverflowError)));
    py::register_exception_translator([](std::exception_ptr p) {
        try {
            if (p)
                std::rethrow_exception(p);
        } catch (const MathError& e) {
            PyObject* type = errors.math;
            switch (e.kind()) {
            case MathError::Kind::ZeroDivide:
                type = errors.zero_maximum;
                break;
            case MathError::Kind::InvalidOp:
                type = errors.invalid_operation;
                break;
            case MathError::Kind::Overflow:
                type = errors.overflow;
                break;
            }
            // The window's box shows the message followed by ".".
            PyErr_SetString(type, (std::string(e.what()) + ".").c_str());
        } catch (const EOutOfResources& e) {
            PyErr_SetString(PyExc_MemoryError, e.what());
        }
    });

    start_engine_quietly();

    m.attr("version") = VELD_VERSION;
    m.attr("image_size") = n;
    m.attr("band_count") = band_count;
    m.attr("radial_bins") = radial_bins;
    m.attr("slider_min") = slider_min;
    m.attr("slider_max") = slider_max;
    m.attr("slider_start") = slider_start;
    m.def("sample_names", &sample_names);
    m.def("sample", &sample, py::arg("index"));
    m.def("fit", &fit, py::arg("samples"));
    m.def("run", &run, py::arg("source"), py::arg("positions"));
    m.def("filtered_field", &filtered_field, py::arg("centred"), py::arg("positions"));
    m.def("report", &report, py::arg("source"), py::arg("positions"));
    m.def("bands", &bands);
    m.def("band_map", &bands_of_positions);
    m.def("band_factor", &factor_of_gain, py::arg("gain"));
}
