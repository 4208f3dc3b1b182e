#include "peer_fftw.h"

#include <cmath>
#include <new>

namespace {

constexpr int n = FftwPeer::n;
constexpr double inverse_area = 1.0 / (n * n);  // a power of two: scaling by it is exact

// Truncation toward zero through 64 bits, low 8 bits kept, as the program stores pixel bytes.
inline std::uint8_t low_byte_of(double v) {
    return static_cast<std::uint8_t>(static_cast<std::uint64_t>(static_cast<std::int64_t>(v)) &
                                     0xFF);
}

inline int truncated(double v) { return static_cast<int>(static_cast<std::int64_t>(v)); }

// (-1)^(x+y) as a double.
inline double checker(int x, int y) { return ((x + y) & 1) ? -1.0 : 1.0; }

}  // namespace

FftwPeer::FftwPeer() {
    field_ = fftw_alloc_complex(static_cast<std::size_t>(n) * n);
    if (!field_)
        throw std::bad_alloc();
    // FFTW_MEASURE overwrites the array while it plans, so planning comes before any data.
    plan_ = fftw_plan_dft_2d(n, n, field_, field_, FFTW_BACKWARD, FFTW_MEASURE);

    const double log_ratio = std::log(1.6);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const int d2 = (x - 128) * (x - 128) + (y - 128) * (y - 128);
            band_[y * n + x] = static_cast<std::uint8_t>(
                truncated(std::log(std::sqrt(static_cast<double>(d2)) + 1) / log_ratio));
            const double dx = x - 127.5, dy = y - 127.5;
            bin_[y * n + x] = static_cast<std::uint16_t>(truncated(std::sqrt(dx * dx + dy * dy)));
        }
}

FftwPeer::~FftwPeer() {
    fftw_destroy_plan(plan_);
    fftw_free(field_);
}

void FftwPeer::centred_transform() {
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const double s = checker(x, y);
            field_[y * n + x][0] *= s;
            field_[y * n + x][1] *= s;
        }
    fftw_execute(plan_);
    for (int y = 0; y < n; ++y)
        for (int x = 0; x < n; ++x) {
            const double s = checker(x, y) * inverse_area;
            field_[y * n + x][0] *= s;
            field_[y * n + x][1] *= s;
        }
}

bool FftwPeer::run(const TBitmap& source, const std::array<int, 12>& positions, TBitmap& spectrum,
                   TBitmap& output) {
    // Source: blue bytes, with the input sign of the centring.
    for (int y = 0; y < n; ++y) {
        const std::uint8_t* row = source.ScanLine(y);
        fftw_complex* line = field_ + y * n;
        for (int x = 0; x < n; ++x) {
            line[x][0] = checker(x, y) * row[3 * x];
            line[x][1] = 0.0;
        }
    }
    fftw_execute(plan_);

    // Gains, spectrum picture and profile in one pass. The factor carries 1/N^2; the output
    // sign of this transform is left out because the input sign of the next one cancels it,
    // and a magnitude does not see it.
    double factor[12];
    for (int b = 0; b < 12; ++b) {
        const double g = 200 - positions[b];
        factor[b] = 0.01 * g * g * 0.01 * g * 0.01 * inverse_area;
    }
    for (double& p : profile_)
        p = 0;
    for (int y = 0; y < n; ++y) {
        std::uint8_t* row = spectrum.ScanLine(y);
        fftw_complex* line = field_ + y * n;
        const std::uint8_t* band = band_ + y * n;
        const std::uint16_t* bin = bin_ + y * n;
        for (int x = 0; x < n; ++x) {
            const double f = factor[band[x]];
            const double re = line[x][0] * f, im = line[x][1] * f;
            line[x][0] = re;
            line[x][1] = im;
            const double m = std::sqrt(re * re + im * im);
            row[3 * x + 0] = low_byte_of(m * 1000);
            row[3 * x + 1] = low_byte_of(m * 100);
            row[3 * x + 2] = low_byte_of(m * 10);
            profile_[bin[x]] += m;
        }
    }
    TCanvas& canvas = *spectrum.Canvas();
    canvas.Pen()->SetColor(clRed);
    canvas.MoveTo(0, truncated(256 - profile_[0]));
    for (int k = 1; k < bins; ++k)
        canvas.LineTo(2 * k, truncated(256 - profile_[k]));

    // Back-transform. Its input sign equals the output sign the first transform was spared, so
    // the field goes in as it stands. Its own output sign matters only for the maximum, since
    // the intensities are magnitudes; 1/N^2 cancels in the normalisation.
    fftw_execute(plan_);
    double largest = 0.0;
    for (int y = 0; y < n; ++y) {
        const fftw_complex* line = field_ + y * n;
        for (int x = 0; x < n; ++x) {
            const double v = checker(x, y) * line[x][0];
            if (v > largest)
                largest = v;
        }
    }
    if (largest == 0)
        return false;
    const double scale = 1 / largest;

    // Output pixel (x, y) shows element [255 - x][255 - y] of the back-transformed field.
    for (int y = 0; y < n; ++y) {
        std::uint8_t* row = output.ScanLine(y);
        const fftw_complex* line = field_ + (n - 1 - y) * n;
        for (int x = 0; x < n; ++x) {
            const std::uint8_t v = low_byte_of(std::fabs(255 * (line[n - 1 - x][0] * scale)));
            row[3 * x + 0] = v;
            row[3 * x + 1] = v;
            row[3 * x + 2] = v;
        }
    }
    return true;
}
