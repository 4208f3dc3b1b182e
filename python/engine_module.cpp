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
#include <pybind11/numpy.h>
#include <pybind11/pybind11.h>
#include <pybind11/stl.h>
#include <unistd.h>

#include <array>
#include <complex>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <mutex>
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

// A 24-bit bitmap whose three bytes of pixel (x, y) are grey[y * 256 + x].
TBitmap grey_bitmap(const std::uint8_t* grey) {
    TBitmap bitmap = empty_picture();
    for (int y = 0; y < n; ++y) {
        std::uint8_t* row = bitmap.ScanLine(y);
        const std::uint8_t* in = grey + static_cast<std::size_t>(y) * n;
        for (int x = 0; x < n; ++x)
            row[3 * x] = row[3 * x + 1] = row[3 * x + 2] = in[x];
    }
    return bitmap;
}

// The blue byte of every pixel of a 24-bit 256 x 256 bitmap, [y][x].
void blue_bytes(const TBitmap& bitmap, std::uint8_t* out) {
    for (int y = 0; y < n; ++y) {
        const std::uint8_t* row = bitmap.ScanLine(y);
        std::uint8_t* o = out + static_cast<std::size_t>(y) * n;
        for (int x = 0; x < n; ++x)
            o[x] = row[3 * x];
    }
}

// Red, green, blue of every pixel, [y][x][channel].
void rgb_bytes(const TBitmap& bitmap, std::uint8_t* out) {
    for (int y = 0; y < n; ++y) {
        const std::uint8_t* row = bitmap.ScanLine(y);
        std::uint8_t* o = out + static_cast<std::size_t>(y) * n * 3;
        for (int x = 0; x < n; ++x) {
            o[3 * x] = row[3 * x + 2];
            o[3 * x + 1] = row[3 * x + 1];
            o[3 * x + 2] = row[3 * x];
        }
    }
}

py::array_t<std::uint8_t> grey_array() { return py::array_t<std::uint8_t>({n, n}); }

// A 256 x 256 complex array indexed [y][x] whose memory holds the engine's order [x][y].
py::array_t<std::complex<double>> field_array() {
    return py::array_t<std::complex<double>, py::array::f_style>({n, n});
}

// Copies the three moments of a run into Fortran-ordered complex buffers: engine row x becomes
// the contiguous column x of the array.
class FieldCopier : public SpectrumObserver {
public:
    FieldCopier(std::complex<double>* centred, std::complex<double>* filtered,
                std::complex<double>* back)
        : centred_(centred), filtered_(filtered), back_(back) {}
    void before_gains(RealMatrix re, RealMatrix im) override { copy(re, im, centred_); }
    void after_gains(RealMatrix re, RealMatrix im) override { copy(re, im, filtered_); }
    void after_back_transform(RealMatrix re, RealMatrix im) override { copy(re, im, back_); }

private:
    static void copy(RealMatrix re, RealMatrix im, std::complex<double>* out) {
        // std::complex<double> is laid out as two doubles, real part first.
        double* o = reinterpret_cast<double*>(out);
        for (int x = 0; x < n; ++x) {
            const double* r = re[x];
            const double* m = im[x];
            for (int y = 0; y < n; ++y, o += 2) {
                o[0] = r[y];
                o[1] = m[y];
            }
        }
    }
    std::complex<double>* centred_;
    std::complex<double>* filtered_;
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

// One run from a fresh start's state: the window's first run, as veld-render makes it. Called
// with the GIL released and engine_mutex held.
void fresh_run(TBitmap& source, const SliderPositions& positions, TBitmap& spectrum,
               TBitmap& output, SpectrumObserver* observer) {
    clear_imaginary_field();
    compute_pictures(source, gains_from_positions(positions),
                     {*spectrum.Canvas(), *output.Canvas()}, observer);
}

py::tuple run(const py::array_t<std::uint8_t, py::array::c_style>& source_array,
              const std::vector<int>& position_values) {
    const std::uint8_t* grey = checked_source(source_array);
    const SliderPositions positions = positions_from(position_values);

    auto source_out = grey_array();
    auto spectrum_out = py::array_t<std::uint8_t>({n, n, 3});
    auto output_out = grey_array();
    auto profile_out = py::array_t<double>(radial_bins);
    auto centred = field_array();
    auto filtered = field_array();
    auto back = field_array();
    // Raw pointers taken while the GIL is held; the arrays stay alive in this frame.
    std::uint8_t* source_bytes = source_out.mutable_data();
    std::uint8_t* spectrum_bytes = spectrum_out.mutable_data();
    std::uint8_t* output_bytes = output_out.mutable_data();
    double* profile = profile_out.mutable_data();
    FieldCopier fields(centred.mutable_data(), filtered.mutable_data(), back.mutable_data());
    {
        TBitmap source = grey_bitmap(grey);
        const py::gil_scoped_release unlocked;
        TBitmap spectrum = empty_picture();
        TBitmap output = empty_picture();
        const std::lock_guard<std::mutex> lock(engine_mutex);
        fresh_run(source, positions, spectrum, output, &fields);
        std::memcpy(profile, radial_profile, sizeof radial_profile);
        blue_bytes(source, source_bytes);
        rgb_bytes(spectrum, spectrum_bytes);
        blue_bytes(output, output_bytes);
    }
    return py::make_tuple(source_out, spectrum_out, output_out, profile_out, centred, filtered,
                          back);
}

py::dict report(const py::array_t<std::uint8_t, py::array::c_style>& source_array,
                const std::vector<int>& position_values) {
    const std::uint8_t* grey = checked_source(source_array);
    const SliderPositions positions = positions_from(position_values);
    BandEnergies energies;
    {
        TBitmap source = grey_bitmap(grey);
        const py::gil_scoped_release unlocked;
        TBitmap spectrum = empty_picture();
        TBitmap output = empty_picture();
        EnergyMeter meter(energies);
        const std::lock_guard<std::mutex> lock(engine_mutex);
        fresh_run(source, positions, spectrum, output, &meter);
        meter.finish(source);
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
    m.def("report", &report, py::arg("source"), py::arg("positions"));
    m.def("bands", &bands);
    m.def("band_map", &bands_of_positions);
    m.def("band_factor", &factor_of_gain, py::arg("gain"));
}
