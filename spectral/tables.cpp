#include "tables.h"

#include <cmath>
#include <stdexcept>
#include <string>

#include "numeric.h"

namespace {

constexpr double pi = 3.141592653589793;
// sin(pi/4), stored as this constant rather than taken from the recurrence.
constexpr double sqrt_half = 0.7071067811865476;

void require_transform_length(int n, const char* what) {
    if (!is_transform_length(n))
        throw std::invalid_argument(std::string(what) + " length " + std::to_string(n) +
                                    " is not a power of two of at least 4");
}

}  // namespace

bool is_transform_length(int n) { return n >= 4 && (n & (n - 1)) == 0; }

void build_sine_table(int n, RealVector* table) {
    require_transform_length(n, "sine table");
    double* entry = *table;

    const int half = to_int(n * 0.5);
    const int quarter = to_int(half * 0.5);
    const int eighth = to_int(quarter * 0.5);

    // dc and ds start as the first differences 1 - cos(2 pi/n) and sin(2 pi/n); each step
    // corrects them by t = 2 (1 - cos(2 pi/n)) times the value just reached.
    double t = std::sin(pi / n);
    double dc = 2.0 * t * t;
    double ds = std::sqrt(dc * (2.0 - dc));
    t = 2.0 * dc;

    double c = 1.0;
    entry[quarter] = 1.0;
    double s = 0.0;
    entry[0] = 0.0;
    trace_line("a\n");

    for (int i = 1; i < eighth; ++i) {
        c = c - dc;
        dc = dc + t * c;
        s = s + ds;
        ds = ds - t * s;
        entry[i] = s;
        entry[quarter - i] = c;
    }
    if (eighth != 0)
        entry[eighth] = sqrt_half;

    // Second quarter mirrors the first; entry half receives entry 0.
    for (int i = 0; i < quarter; ++i)
        entry[half - i] = entry[i];
    // Negated half period, then the first quarter again: once i reaches half, the source entry
    // was written earlier in this same loop. Entry half ends as -0.0, entry n as +0.0.
    for (int i = 0; i < half + quarter; ++i)
        entry[half + i] = -entry[i];
}

void build_bit_reversal(int n, IntVector* table) {
    require_transform_length(n, "bit-reversal table");
    std::int32_t* entry = *table;

    // Counts upward in bit-reversed order: clear the leading ones, then set the next bit.
    const int half = n / 2;
    int j = 0;
    entry[0] = 0;
    for (int i = 1; i < n; ++i) {
        int k = half;
        while (k <= j) {
            j = j - k;
            k = to_int(k * 0.5);
        }
        j = j + k;
        entry[i] = j;
    }
    trace_line("b\n");
}
