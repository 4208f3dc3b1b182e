#pragma once
// Internal: the body of a lane-parallel kernel, written once over a small set of vector
// operations. Each kernel file defines, in an anonymous namespace, a struct Ops with
//   V, width, load/store (aligned, work area), loadu/storeu (matrix rows), set1, add, sub, mul,
//   transpose(V r[width]) (r[u][t] becomes r[t][u])
// and then includes this file, still inside that anonymous namespace: every function here has
// internal linkage, so the copies built with different target flags never merge at link time.
// Use no standard-library templates here for the same reason.
//
// Arithmetic per lane is that of fft1d: tr = (s*y)+(c*x), ti = (c*y)-(s*x), then x[p], x[i],
// y[p], y[i] in that order; no fused multiply-add (the build turns contraction off). The final
// division by n is a multiplication by 1/n, exact for a power of two: both are the correctly
// rounded value of the same real number x * 2^-log2(n), so the bits agree, subnormals included.

// Loops over the vectors of one position or of one block run a handful of times; unrolled
// ("#pragma GCC unroll 8" before each), their arrays of vectors stay in registers instead of
// going through the stack.

template <class Ops>
struct Lanes {
    using V = typename Ops::V;
    static constexpr int width = Ops::width;
    static constexpr int lanes = spectral_detail::strip_lanes;
    static constexpr int per_position = lanes / width;
    static_assert(lanes % width == 0);

    [[gnu::always_inline]] static inline void butterfly(V& xi, V& yi, V& xp, V& yp, V c, V s) {
        const V tr = Ops::add(Ops::mul(s, yp), Ops::mul(c, xp));
        const V ti = Ops::sub(Ops::mul(c, yp), Ops::mul(s, xp));
        xp = Ops::sub(xi, tr);
        xi = Ops::add(xi, tr);
        yp = Ops::sub(yi, ti);
        yi = Ops::add(yi, ti);
    }

    // One stage of span 2h: butterfly j rotates by the table entries at k = j n / 2h.
    static void single_stage(int n, int h, const double* sines, double* wx, double* wy) {
        const int q = n / 4;
        const int step = n / (2 * h);
        for (int j = 0; j < h; ++j) {
            const V c = Ops::set1(sines[j * step + q]);
            const V s = Ops::set1(sines[j * step]);
            for (int i = j; i < n; i += 2 * h) {
                double* x0 = wx + i * lanes;
                double* x1 = wx + (i + h) * lanes;
                double* y0 = wy + i * lanes;
                double* y1 = wy + (i + h) * lanes;
#pragma GCC unroll 8
                for (int v = 0; v < per_position; ++v) {
                    V xi = Ops::load(x0 + v * width), xp = Ops::load(x1 + v * width);
                    V yi = Ops::load(y0 + v * width), yp = Ops::load(y1 + v * width);
                    butterfly(xi, yi, xp, yp, c, s);
                    Ops::store(x0 + v * width, xi);
                    Ops::store(x1 + v * width, xp);
                    Ops::store(y0 + v * width, yi);
                    Ops::store(y1 + v * width, yp);
                }
            }
        }
    }

    // Stages of span 2h and 4h in one sweep. Positions a, a+h, a+2h, a+3h (a = g + j, j < h)
    // only meet each other in these two stages, so finishing the group's four butterflies of
    // the first stage and then its two of the second gives every value the same operations on
    // the same operands as stage-by-stage order.
    static void double_stage(int n, int h, const double* sines, double* wx, double* wy) {
        const int q = n / 4;
        const int step1 = n / (2 * h);
        const int step2 = n / (4 * h);
        for (int j = 0; j < h; ++j) {
            const V c1 = Ops::set1(sines[j * step1 + q]);
            const V s1 = Ops::set1(sines[j * step1]);
            const V c2 = Ops::set1(sines[j * step2 + q]);
            const V s2 = Ops::set1(sines[j * step2]);
            const V c3 = Ops::set1(sines[(j + h) * step2 + q]);
            const V s3 = Ops::set1(sines[(j + h) * step2]);
            for (int g = j; g < n; g += 4 * h) {
                double* xa = wx + g * lanes;
                double* xb = wx + (g + h) * lanes;
                double* xc = wx + (g + 2 * h) * lanes;
                double* xd = wx + (g + 3 * h) * lanes;
                double* ya = wy + g * lanes;
                double* yb = wy + (g + h) * lanes;
                double* yc = wy + (g + 2 * h) * lanes;
                double* yd = wy + (g + 3 * h) * lanes;
#pragma GCC unroll 8
                for (int v = 0; v < per_position; ++v) {
                    const int o = v * width;
                    V x0 = Ops::load(xa + o), x1 = Ops::load(xb + o);
                    V x2 = Ops::load(xc + o), x3 = Ops::load(xd + o);
                    V y0 = Ops::load(ya + o), y1 = Ops::load(yb + o);
                    V y2 = Ops::load(yc + o), y3 = Ops::load(yd + o);
                    butterfly(x0, y0, x1, y1, c1, s1);
                    butterfly(x2, y2, x3, y3, c1, s1);
                    butterfly(x0, y0, x2, y2, c2, s2);
                    butterfly(x1, y1, x3, y3, c3, s3);
                    Ops::store(xa + o, x0);
                    Ops::store(xb + o, x1);
                    Ops::store(xc + o, x2);
                    Ops::store(xd + o, x3);
                    Ops::store(ya + o, y0);
                    Ops::store(yb + o, y1);
                    Ops::store(yc + o, y2);
                    Ops::store(yd + o, y3);
                }
            }
        }
    }

    // Every butterfly stage of fft1d, in order, on all lanes; the reordering was done by the
    // gather and the division is left to the scatter.
    static void stages(int n, const double* sines, double* wx, double* wy) {
        int h = 1;
        for (; 4 * h <= n; h *= 4)
            double_stage(n, h, sines, wx, wy);
        if (h < n)
            single_stage(n, h, sines, wx, wy);
    }

    static inline int shifted(int t, int half) { return t < half ? t + half : t - half; }

    // The four butterflies of a group of the stages of span 2h and 4h, in double_stage's order.
    [[gnu::always_inline]] static inline void group_butterflies(V* x, V* y, const V* c,
                                                                const V* s) {
        butterfly(x[0], y[0], x[1], y[1], c[0], s[0]);
        butterfly(x[2], y[2], x[3], y[3], c[0], s[0]);
        butterfly(x[0], y[0], x[2], y[2], c[1], s[1]);
        butterfly(x[1], y[1], x[3], y[3], c[2], s[2]);
    }

    // The six rotations of group j of the stages of span 2h and 4h: c1 s1, c2 s2, c3 s3.
    static inline void group_rotations(int n, int h, int j, const double* sines, V* c, V* s) {
        const int q = n / 4;
        const int step1 = n / (2 * h);
        const int step2 = n / (4 * h);
        c[0] = Ops::set1(sines[j * step1 + q]);
        s[0] = Ops::set1(sines[j * step1]);
        c[1] = Ops::set1(sines[j * step2 + q]);
        s[1] = Ops::set1(sines[j * step2]);
        c[2] = Ops::set1(sines[(j + h) * step2 + q]);
        s[2] = Ops::set1(sines[(j + h) * step2]);
    }

    // The columns pass. The first two stages are done as each group of four positions is
    // gathered, and when the last two stages span the whole line (an even power of two), they
    // are done as the line is scattered: two sweeps of the work area fewer, the same operations
    // on the same operands.
    static void column_strips(const spectral_detail::CentredJob& job, double* work, int first,
                              int last) {
        const int n = job.n;
        const int half = n / 2;
        double* wx = work;
        double* wy = work + n * lanes;
        const V inverse = Ops::set1(1.0 / n);
        V c_first[3], s_first[3];
        group_rotations(n, 1, 0, job.sine_table, c_first, s_first);
        int last_h = 4;
        while (4 * last_h < n)
            last_h *= 4;
        const bool fused_last = 4 * last_h == n;
        for (int strip = first; strip < last; ++strip) {
            const int c0 = strip * lanes;
            // The imaginary part is the line's x and the real part its y (conjugate transform).
            // Position p holds row shifted(bit_reversal[p]), the table being its own inverse.
            for (int g = 0; g < n; g += 4) {
                const double* from_im[4];
                const double* from_re[4];
#pragma GCC unroll 8
                for (int t = 0; t < 4; ++t) {
                    const int row = shifted(job.bit_reversal[g + t], half);
                    from_im[t] = job.im[row] + c0;
                    from_re[t] = job.re[row] + c0;
                }
#pragma GCC unroll 8
                for (int v = 0; v < per_position; ++v) {
                    V x[4], y[4];
#pragma GCC unroll 8
                    for (int t = 0; t < 4; ++t) {
                        x[t] = Ops::loadu(from_im[t] + v * width);
                        y[t] = Ops::loadu(from_re[t] + v * width);
                    }
                    group_butterflies(x, y, c_first, s_first);
#pragma GCC unroll 8
                    for (int t = 0; t < 4; ++t) {
                        Ops::store(wx + (g + t) * lanes + v * width, x[t]);
                        Ops::store(wy + (g + t) * lanes + v * width, y[t]);
                    }
                }
            }
            int h = 4;
            for (; h < last_h; h *= 4)
                double_stage(n, h, job.sine_table, wx, wy);
            if (fused_last) {
                for (int j = 0; j < last_h; ++j) {
                    V c[3], s[3];
                    group_rotations(n, last_h, j, job.sine_table, c, s);
                    double* to_im[4];
                    double* to_re[4];
#pragma GCC unroll 8
                    for (int t = 0; t < 4; ++t) {
                        const int row = shifted(j + t * last_h, half);
                        to_im[t] = job.im[row] + c0;
                        to_re[t] = job.re[row] + c0;
                    }
#pragma GCC unroll 8
                    for (int v = 0; v < per_position; ++v) {
                        V x[4], y[4];
#pragma GCC unroll 8
                        for (int t = 0; t < 4; ++t) {
                            x[t] = Ops::load(wx + (j + t * last_h) * lanes + v * width);
                            y[t] = Ops::load(wy + (j + t * last_h) * lanes + v * width);
                        }
                        group_butterflies(x, y, c, s);
#pragma GCC unroll 8
                        for (int t = 0; t < 4; ++t) {
                            Ops::storeu(to_im[t] + v * width, Ops::mul(x[t], inverse));
                            Ops::storeu(to_re[t] + v * width, Ops::mul(y[t], inverse));
                        }
                    }
                }
                continue;
            }
            if (h < n)
                single_stage(n, h, job.sine_table, wx, wy);
            for (int p = 0; p < n; ++p) {
                const int row = shifted(p, half);
                double* to_im = job.im[row] + c0;
                double* to_re = job.re[row] + c0;
#pragma GCC unroll 8
                for (int v = 0; v < per_position; ++v) {
                    Ops::storeu(to_im + v * width,
                                Ops::mul(Ops::load(wx + p * lanes + v * width), inverse));
                    Ops::storeu(to_re + v * width,
                                Ops::mul(Ops::load(wy + p * lanes + v * width), inverse));
                }
            }
        }
    }

    // Rows are transposed into the work area width x width at a time. Column blocks of width
    // never straddle the half, so src maps a block onto a block.
    [[gnu::always_inline]] static inline void rows_to_work(double* const* rows, int c0,
                                                           const int* position, double* w) {
        V block[width];
#pragma GCC unroll 8
        for (int u = 0; u < width; ++u)
            block[u] = Ops::loadu(rows[u] + c0);
        Ops::transpose(block);
#pragma GCC unroll 8
        for (int t = 0; t < width; ++t)
            Ops::store(w + position[t] * lanes, block[t]);
    }

    [[gnu::always_inline]] static inline void work_to_rows(const double* w, V inverse,
                                                           double* const* rows, int c0) {
        V block[width];
#pragma GCC unroll 8
        for (int t = 0; t < width; ++t)
            block[t] = Ops::mul(Ops::load(w + t * lanes), inverse);
        Ops::transpose(block);
#pragma GCC unroll 8
        for (int u = 0; u < width; ++u)
            Ops::storeu(rows[u] + c0, block[u]);
    }

    static void row_strips(const spectral_detail::CentredJob& job, double* work, int first,
                           int last) {
        const int n = job.n;
        const int half = n / 2;
        double* wx = work;
        double* wy = work + n * lanes;
        const V inverse = Ops::set1(1.0 / n);
        for (int strip = first; strip < last; ++strip) {
            double* const* rows_re = job.re + strip * lanes;
            double* const* rows_im = job.im + strip * lanes;
            for (int c0 = 0; c0 < n; c0 += width) {
                int position[width];
#pragma GCC unroll 8
                for (int t = 0; t < width; ++t)
                    position[t] = job.bit_reversal[shifted(c0, half) + t];
#pragma GCC unroll 8
                for (int g = 0; g < per_position; ++g) {
                    rows_to_work(rows_im + g * width, c0, position, wx + g * width);
                    rows_to_work(rows_re + g * width, c0, position, wy + g * width);
                }
            }
            stages(n, job.sine_table, wx, wy);
            for (int c0 = 0; c0 < n; c0 += width) {
                const int k0 = shifted(c0, half);
#pragma GCC unroll 8
                for (int g = 0; g < per_position; ++g) {
                    work_to_rows(wx + k0 * lanes + g * width, inverse, rows_im + g * width, c0);
                    work_to_rows(wy + k0 * lanes + g * width, inverse, rows_re + g * width, c0);
                }
            }
        }
    }
};
