#include "reference_fft.h"

#include <vector>

void reference_fft1d(int n, const std::int32_t* bit_reversal, const double* sine_table, double* x,
                     double* y) {
    bool backward = false;
    if (n < 0) {
        n = -n;
        backward = true;
    }
    const int q = static_cast<int>(static_cast<std::int64_t>(n * 0.25));
    if (n == 0)
        return;

    for (int i = 0; i < n; ++i) {
        const int j = bit_reversal[i];
        if (i < j) {
            double t = x[i];
            x[i] = x[j];
            x[j] = t;
            t = y[i];
            y[i] = y[j];
            y[j] = t;
        }
    }

    for (int h = 1; h < n; h = h * 2) {
        const int span = 2 * h;
        const int step = n / span;
        int k = 0;
        for (int j = 0; j < h; ++j) {
            const double c = sine_table[k + q];
            double s = sine_table[k];
            if (backward)
                s = -s;
            for (int i = j; i < n; i = i + span) {
                const int p = i + h;
                const double tr = s * y[p] + c * x[p];
                const double ti = c * y[p] - s * x[p];
                x[p] = x[i] - tr;
                x[i] = x[i] + tr;
                y[p] = y[i] - ti;
                y[i] = y[i] + ti;
            }
            k = k + step;
        }
    }

    if (!backward) {
        for (int i = 0; i < n; ++i) {
            x[i] = x[i] / static_cast<double>(n);
            y[i] = y[i] / static_cast<double>(n);
        }
    }
}

namespace {

int shifted(int t, int h) {
    if (t < h)
        return t + h;
    return t - h;
}

void reference_exchange(int n, double** m, std::vector<std::vector<double>>& scratch) {
    const int h = n / 2;
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            scratch[i][j] = m[i][shifted(j, h)];
    for (int i = 0; i < n; ++i)
        for (int j = 0; j < n; ++j)
            m[i][j] = scratch[shifted(i, h)][j];
}

}  // namespace

void reference_fft2d_centred(int n, const std::int32_t* bit_reversal, const double* sine_table,
                             double** re, double** im) {
    std::vector<std::vector<double>> scratch(n, std::vector<double>(n));
    std::vector<double> line_re(n);
    std::vector<double> line_im(n);

    reference_exchange(n, re, scratch);
    reference_exchange(n, im, scratch);

    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            line_re[j] = re[j][i];
            line_im[j] = im[j][i];
        }
        reference_fft1d(n, bit_reversal, sine_table, line_im.data(), line_re.data());
        for (int j = 0; j < n; ++j) {
            re[j][i] = line_re[j];
            im[j][i] = line_im[j];
        }
    }
    for (int i = 0; i < n; ++i) {
        for (int j = 0; j < n; ++j) {
            line_re[j] = re[i][j];
            line_im[j] = im[i][j];
        }
        reference_fft1d(n, bit_reversal, sine_table, line_im.data(), line_re.data());
        for (int j = 0; j < n; ++j) {
            re[i][j] = line_re[j];
            im[i][j] = line_im[j];
        }
    }

    reference_exchange(n, re, scratch);
    reference_exchange(n, im, scratch);
}
