#pragma once
// The engine's run: a source picture and twelve band gains in, the spectrum picture with its
// radial profile and the grey output picture out. Everything it needs is handed to it; it never
// looks at a window. The window (run_filter), veld-render and the benchmark all call it.
//
// One run reads the blue byte of every source pixel, takes the centred spectrum, scales it by
// the band gains, draws the spectrum with its radial profile, transforms it back with the same
// forward routine, normalises by the largest value and writes the grey output picture.
//
// Two forward transforms in a row leave element [k1][k2] holding the filtered value of
// [(-k1) mod N][(-k2) mod N]; reading the output with both indices reversed (255 - x, 255 - y)
// then shows source pixel ((x + 1) mod N, (y + 1) mod N) at output pixel (x, y): the output is
// the filtered source moved one pixel up and one pixel to the left.
//
// The run works on the engine's working state (working_state.h), which must be started: it
// fills field_re from the source, takes field_im as the previous run left it (zero after a
// start), and leaves blue_plane holding the output levels, field_re the normalised field and
// radial_profile the profile drawn.

#include "band.h"
#include "buffers.h"
#include "graphics.h"

// The blue byte of every source pixel, [x][y]; after a run, the output intensities.
extern IntMatrix blue_plane;

inline constexpr int radial_bins = 400;
// Summed magnitude by whole-pixel distance from (127.5, 127.5), of the last spectrum drawn.
extern double radial_profile[radial_bins];

// Where a run draws: the spectrum picture and its curve at (0, 0) on one canvas, the output
// picture at (0, 0) on the other.
struct PictureTargets {
    TCanvas& spectrum;
    TCanvas& output;
};

// Sees the working field at three moments of a run: the centred spectrum right after the
// forward transform, the same after the gains (what the spectrum picture shows), and the field
// after the back-transform, before it is normalised. It must not change the field. The run's
// floating-point checks do not see what the observer computes.
class SpectrumObserver {
public:
    virtual ~SpectrumObserver() = default;
    virtual void before_gains(RealMatrix /*re*/, RealMatrix /*im*/) {}
    virtual void after_gains(RealMatrix /*re*/, RealMatrix /*im*/) {}
    virtual void after_back_transform(RealMatrix /*re*/, RealMatrix /*im*/) {}
};

// One run. The source bitmap is converted in place to 24 bits per pixel and image_size x
// image_size (keeping its top-left corner) before it is read. A filtered spectrum with no
// positive value after the back-transform raises MathError(ZeroDivide) at the normalisation,
// after the spectrum was drawn and before the output is touched; any other invalid operation,
// division by zero or overflow raises its MathError at the step that meets it, with the earlier
// steps' drawing done and the later ones' not. The run allocates nothing but its work bitmap,
// which it releases on every path.
void compute_pictures(TBitmap& source, const BandGains& gains, const PictureTargets& targets,
                      SpectrumObserver* observer = nullptr);

// The magnitude of every element of the last spectrum picture drawn, [x * image_size + y] for
// pixel (x, y); nullptr before the first, and after a run that stopped while drawing it.
const double* spectrum_magnitudes();

// "sse2" (or "plain" off x86-64) or "avx512": the passes a run now takes. They follow the
// transform's kernel: AVX-512 passes with the AVX-512 kernel, the portable ones otherwise.
const char* filter_pass_name();

// The parts of a run that name its steps, over the working state.
//
// apply_band_gains multiplies every element of field_re and field_im by the factor of its band
// and, in the same pass, writes the colour picture of the magnitudes into the 24-bit
// image_size x image_size work bitmap and sums radial_profile. A floating-point error of the
// gains or a colour that cannot be converted raises its MathError, with the field scaled and
// neither the picture nor radial_profile to be used.
void apply_band_gains(const BandGains& gains, TBitmap& work_bitmap);
// The spectrum picture at (0, 0) on the canvas.
void draw_spectrum(const TBitmap& work_bitmap, TCanvas& spectrum_canvas);
// The red polyline through the radial_profile points (2k, to_int(256 - radial_profile[k])).
void draw_radial_profile(TCanvas& spectrum_canvas);
// Divides field_re by its largest value (floor 0); zero raises MathError(ZeroDivide).
void normalise_field(RealMatrix re);
