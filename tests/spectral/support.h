#pragma once
// Shared fixtures of the spectral tests: matrices owned by the test, the engine's globals set up
// for one edge length, random fields and direct (summed) transforms as references.

#include <complex>
#include <cstdint>
#include <random>
#include <vector>

#include "buffers.h"

// An n x n matrix in the two-level layout of RealMatrix, every row its own allocation.
class TestMatrix {
public:
    explicit TestMatrix(int n, double fill = 0.0);
    // Copies own their rows: the row pointers are rebuilt, never shared.
    TestMatrix(const TestMatrix& other);
    TestMatrix& operator=(const TestMatrix& other);
    double** get() { return pointers_.data(); }
    double& at(int i, int j) { return rows_[i][j]; }
    double at(int i, int j) const { return rows_[i][j]; }
    int size() const { return static_cast<int>(rows_.size()); }
    // Row-major copy of every element, for bitwise comparison.
    std::vector<double> flat() const;

private:
    void point_at_rows();

    std::vector<std::vector<double>> rows_;
    std::vector<double*> pointers_;
};

// Points the globals of state.h at test-owned buffers and tables built for n, and transforms
// at that edge length; restores the previous globals when it goes.
class EngineState {
public:
    explicit EngineState(int n);
    ~EngineState();
    EngineState(const EngineState&) = delete;
    EngineState& operator=(const EngineState&) = delete;

    const std::int32_t* bit_reversal_table() const { return bit_reversal_.data(); }
    // fft2d_centred at this edge length.
    int transform(RealMatrix* re, RealMatrix* im) const;
    const double* sine_table_entries() const { return sine_.data(); }

private:
    int n_;
    double** previous_scratch_;
    double* previous_line_re_;
    double* previous_line_im_;
    std::int32_t* previous_bit_reversal_;
    double* previous_sine_;

    TestMatrix scratch_;
    std::vector<double> line_re_;
    std::vector<double> line_im_;
    std::vector<std::int32_t> bit_reversal_;
    std::vector<double> sine_;
};

// Tables for n built by the production builders, their trace lines swallowed.
std::vector<double> built_sine_table(int n);
std::vector<std::int32_t> built_bit_reversal(int n);

void fill_uniform(TestMatrix& m, std::mt19937_64& rng, double low, double high);

// The transform by direct summation in long double: forward (n > 0) with e^(-...) and 1/n,
// backward (n < 0) with e^(+...).
std::vector<std::complex<long double>> direct_dft(int n, const std::vector<double>& x,
                                                  const std::vector<double>& y);

// The centred field transform by direct summation:
// out[k1][k2] = (1/N^2) sum z[p1][p2] e^(+2 pi i ((p1-h)(k1-h) + (p2-h)(k2-h)) / N).
std::vector<std::vector<std::complex<long double>>> direct_centred(const TestMatrix& re,
                                                                   const TestMatrix& im);
