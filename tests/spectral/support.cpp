#include "support.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "fft.h"
#include "numeric.h"
#include "state.h"
#include "tables.h"

TestMatrix::TestMatrix(int n, double fill) : rows_(n, std::vector<double>(n, fill)) {
    point_at_rows();
}

TestMatrix::TestMatrix(const TestMatrix& other) : rows_(other.rows_) { point_at_rows(); }

TestMatrix& TestMatrix::operator=(const TestMatrix& other) {
    rows_ = other.rows_;
    point_at_rows();
    return *this;
}

void TestMatrix::point_at_rows() {
    pointers_.resize(rows_.size());
    for (std::size_t i = 0; i < rows_.size(); ++i)
        pointers_[i] = rows_[i].data();
}

std::vector<double> TestMatrix::flat() const {
    std::vector<double> all;
    all.reserve(rows_.size() * rows_.size());
    for (const auto& row : rows_)
        all.insert(all.end(), row.begin(), row.end());
    return all;
}

std::vector<double> built_sine_table(int n) {
    std::vector<double> table(n + n / 4);
    double* entries = table.data();
    testing::internal::CaptureStdout();
    build_sine_table(n, &entries);
    testing::internal::GetCapturedStdout();
    return table;
}

std::vector<std::int32_t> built_bit_reversal(int n) {
    std::vector<std::int32_t> table(n);
    std::int32_t* entries = table.data();
    testing::internal::CaptureStdout();
    build_bit_reversal(n, &entries);
    testing::internal::GetCapturedStdout();
    return table;
}

EngineState::EngineState(int n)
    : n_(n),
      previous_scratch_(shift_scratch),
      previous_line_re_(line_re),
      previous_line_im_(line_im),
      previous_bit_reversal_(bit_reversal),
      previous_sine_(sine_table),
      scratch_(n),
      line_re_(n),
      line_im_(n),
      bit_reversal_(built_bit_reversal(n)),
      sine_(built_sine_table(n)) {
    shift_scratch = scratch_.get();
    line_re = line_re_.data();
    line_im = line_im_.data();
    bit_reversal = bit_reversal_.data();
    sine_table = sine_.data();
}

EngineState::~EngineState() {
    shift_scratch = previous_scratch_;
    line_re = previous_line_re_;
    line_im = previous_line_im_;
    bit_reversal = previous_bit_reversal_;
    sine_table = previous_sine_;
}

int EngineState::transform(RealMatrix* re, RealMatrix* im) const {
    return spectral_testing::fft2d_centred_of_edge(n_, re, im);
}

void fill_uniform(TestMatrix& m, std::mt19937_64& rng, double low, double high) {
    std::uniform_real_distribution<double> value(low, high);
    for (int i = 0; i < m.size(); ++i)
        for (int j = 0; j < m.size(); ++j)
            m.at(i, j) = value(rng);
}

namespace {

std::complex<long double> unit_root(long double turns) {
    const long double angle = 2.0L * std::numbers::pi_v<long double> * turns;
    return {std::cos(angle), std::sin(angle)};
}

}  // namespace

std::vector<std::complex<long double>> direct_dft(int n, const std::vector<double>& x,
                                                  const std::vector<double>& y) {
    const bool forward = n > 0;
    const int length = forward ? n : -n;
    const long double sign = forward ? -1.0L : 1.0L;
    std::vector<std::complex<long double>> out(length);
    for (int k = 0; k < length; ++k) {
        std::complex<long double> sum = 0;
        for (int m = 0; m < length; ++m) {
            const long double turns = sign * static_cast<long double>((m * k) % length) / length;
            sum += std::complex<long double>(x[m], y[m]) * unit_root(turns);
        }
        out[k] = forward ? sum / static_cast<long double>(length) : sum;
    }
    return out;
}

std::vector<std::vector<std::complex<long double>>> direct_centred(const TestMatrix& re,
                                                                   const TestMatrix& im) {
    const int n = re.size();
    const int h = n / 2;
    std::vector<std::vector<std::complex<long double>>> out(
        n, std::vector<std::complex<long double>>(n));
    for (int k1 = 0; k1 < n; ++k1)
        for (int k2 = 0; k2 < n; ++k2) {
            std::complex<long double> sum = 0;
            for (int p1 = 0; p1 < n; ++p1)
                for (int p2 = 0; p2 < n; ++p2) {
                    const int phase = (p1 - h) * (k1 - h) + (p2 - h) * (k2 - h);
                    const int reduced = ((phase % n) + n) % n;
                    sum += std::complex<long double>(re.at(p1, p2), im.at(p1, p2)) *
                           unit_root(static_cast<long double>(reduced) / n);
                }
            out[k1][k2] = sum / static_cast<long double>(n * n);
        }
    return out;
}
