#include "reference_run.h"

#include <cmath>
#include <cstdlib>

#include "reference_fft.h"
#include "reference_line.h"

namespace {

const int N = 256;

// Truncation through 64 bits, low 32 bits kept.
std::int32_t trunc32(double v) {
    const long long t = static_cast<long long>(v);
    return static_cast<std::int32_t>(
        static_cast<std::uint32_t>(static_cast<unsigned long long>(t)));
}

struct Tables {
    std::int32_t rev[N];
    double sine[320];
    Tables() {
        // Reversal by bits, and the sine table as its recurrence defines it.
        for (int i = 0; i < N; ++i) {
            int r = 0;
            for (int b = 0; b < 8; ++b)
                if (i & (1 << b))
                    r |= 1 << (7 - b);
            rev[i] = r;
        }
        const double pi = 3.141592653589793;
        int half = 128, quarter = 64, eighth = 32;
        double t = std::sin(pi / N);
        double dc = 2 * t * t;
        double ds = std::sqrt(dc * (2 - dc));
        t = 2 * dc;
        double c = 1.0, s = 0.0;
        sine[quarter] = 1.0;
        sine[0] = 0.0;
        for (int i = 1; i < eighth; ++i) {
            c = c - dc;
            dc = dc + t * c;
            s = s + ds;
            ds = ds - t * s;
            sine[i] = s;
            sine[quarter - i] = c;
        }
        sine[eighth] = 0.7071067811865476;
        for (int i = 0; i < quarter; ++i)
            sine[half - i] = sine[i];
        for (int i = 0; i < half + quarter; ++i)
            sine[half + i] = -sine[i];
    }
};

const Tables& tables() {
    static const Tables t;
    return t;
}

// The red curve's segments, over the 24-bit top-down spectrum picture.
void draw_line(std::vector<std::uint8_t>& pic, int x0, int y0, int x1, int y1) {
    reference_line(x0, y0, x1, y1, N, N, [&](int x, int y) {
        std::uint8_t* p = &pic[(static_cast<std::size_t>(y) * N + x) * 3];
        p[0] = 0;
        p[1] = 0;
        p[2] = 255;
    });
}

}  // namespace

ReferenceField::ReferenceField()
    : re(N, std::vector<double>(N, 0.0)), im(N, std::vector<double>(N, 0.0)) {}

ReferenceRun reference_run(const std::vector<std::uint8_t>& blue,
                           const std::array<int, 12>& positions, ReferenceField& f) {
    ReferenceRun out;
    std::vector<double*> re(N), im(N);
    for (int i = 0; i < N; ++i) {
        re[i] = f.re[i].data();
        im[i] = f.im[i].data();
    }
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < N; ++j)
            f.re[i][j] = static_cast<double>(blue[j * N + i]);
    const Tables& t = tables();
    reference_fft2d_centred(N, t.rev, t.sine, re.data(), im.data());

    double gains[12];
    for (int k = 0; k < 12; ++k)
        gains[k] = static_cast<double>(200 - positions[k]);
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < N; ++j) {
            const int d2 = (i - 128) * (i - 128) + (j - 128) * (j - 128);
            const double r = std::sqrt(static_cast<double>(d2));
            const double v = std::log(r + 1) / std::log(1.6);
            const double g = gains[trunc32(v)];
            const double factor = 0.01 * g * g * 0.01 * g * 0.01;
            f.re[i][j] = factor * f.re[i][j];
            f.im[i][j] = factor * f.im[i][j];
        }

    out.spectrum.assign(N * N * 3, 0);
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < N; ++x) {
            const double m = std::sqrt(f.re[x][y] * f.re[x][y] + f.im[x][y] * f.im[x][y]);
            std::uint8_t* p = &out.spectrum[(y * N + x) * 3];
            p[0] = static_cast<std::uint8_t>(trunc32(m * 1000) & 0xFF);
            p[1] = static_cast<std::uint8_t>(trunc32(m * 100) & 0xFF);
            p[2] = static_cast<std::uint8_t>(trunc32(m * 10) & 0xFF);
        }
    for (double& p : out.profile)
        p = 0;
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < N; ++j) {
            const double d = std::sqrt((i - 127.5) * (i - 127.5) + (j - 127.5) * (j - 127.5));
            out.profile[trunc32(d)] += std::sqrt(f.re[i][j] * f.re[i][j] + f.im[i][j] * f.im[i][j]);
        }
    int px = 0, py = trunc32(256 - out.profile[0]);
    for (int k = 1; k < 400; ++k) {
        const int qx = 2 * k, qy = trunc32(256 - out.profile[k]);
        draw_line(out.spectrum, px, py, qx, qy);
        px = qx;
        py = qy;
    }

    reference_fft2d_centred(N, t.rev, t.sine, re.data(), im.data());
    double best = 0.0;
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < N; ++j)
            if (f.re[i][j] >= best)
                best = f.re[i][j];
    if (best == 0) {
        out.zero_maximum = true;
        return out;
    }
    const double scale = 1 / best;
    std::vector<std::int32_t> level(N * N);
    for (int i = 0; i < N; ++i)
        for (int j = 0; j < N; ++j) {
            f.re[i][j] = scale * f.re[i][j];
            level[i * N + j] = trunc32(std::fabs(255 * f.re[i][j]));
        }
    out.output.assign(N * N * 3, 0);
    for (int y = 0; y < N; ++y)
        for (int x = 0; x < N; ++x) {
            const std::uint8_t v =
                static_cast<std::uint8_t>(level[(255 - x) * N + (255 - y)] & 0xFF);
            std::uint8_t* p = &out.output[(y * N + x) * 3];
            p[0] = p[1] = p[2] = v;
        }
    return out;
}
