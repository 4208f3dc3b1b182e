#include "band_report.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "numeric.h"

namespace {

std::string format(const char* pattern, ...) {
    char text[512];
    va_list args;
    va_start(args, pattern);
    std::vsnprintf(text, sizeof text, pattern, args);
    va_end(args);
    return text;
}

// A number right-aligned in `width` columns, or the infinity sign for an infinite one.
std::string number(double v, int width) {
    if (std::isinf(v))
        return std::string(static_cast<std::size_t>(width - 1), ' ') + "\u221E";
    return format("%*.3f", width, v);
}

std::string range(double low, double high) { return number(low, 7) + " - " + number(high, 7); }

double wavelength(double r) { return r == 0 ? INFINITY : image_size / r; }

std::string share(double part, double whole) {
    return format("  %14.6f %%", whole > 0 ? 100 * part / whole : 0.0);
}

}  // namespace

std::string band_report(const std::string& subject, const SliderPositions& positions,
                        const BandEnergies& energies) {
    const BandGains gains = gains_from_positions(positions);
    double before_total = 0;
    double after_total = 0;
    std::int64_t element_total = 0;
    for (int k = 0; k < band_count; ++k) {
        before_total += energies.before[k];
        after_total += energies.after[k];
        element_total += energies.elements[k];
    }

    std::string out = "VELD band report: " + subject + "\n";
    out += "positions";
    for (int k = 0; k < band_count; ++k)
        out += (k ? "," : " ") + std::to_string(positions[k]);
    out += format("  (gain = %d - position %%, factor = (gain / 100)^3)\n\n", slider_max);

    out += format("%4s  %-11s  %8s  %-17s  %-17s  %-17s  %10s  %14s    %14s    %9s\n", "band",
                  "slider", "position", "radius r (px)", "cycles/picture", "wavelength (px)",
                  "elements", "energy before", "energy after", "factor");
    for (int k = 0; k < band_count; ++k) {
        const double inner = band_inner_radius(k);
        const double outer = k == band_count - 1 ? largest_radius() : band_outer_radius(k);
        out += format("%4d  %-11s  %8d  ", k, ("ScrollBar" + std::to_string(k + 1)).c_str(),
                      positions[k]);
        out += range(inner, outer) + "  " + range(inner, outer) + "  " +
               range(wavelength(outer), wavelength(inner));
        out += format("  %10lld", static_cast<long long>(energies.elements[k]));
        out += share(energies.before[k], before_total) + share(energies.after[k], after_total);
        out += format("  %9.6f\n", band_factor(gains[k]));
    }
    out += format("%-86s%10lld", "total", static_cast<long long>(element_total));
    out += share(before_total, before_total) + share(after_total, after_total) + "\n\n";

    out += format(
        "radius: inner <= r < outer, r in pixels from the zero frequency (band %d ends at the "
        "corners, r <= %.3f); a radius of r is r cycles per picture, a wavelength of %d / r "
        "pixels\n",
        band_count - 1, largest_radius(), image_size);
    out += format(
        "energy: sum of re^2 + im^2 over the band; after the gains the spectrum holds %.6f of "
        "its energy before\n",
        before_total > 0 ? after_total / before_total : 0.0);
    const ParsevalCheck parseval = parseval_check(energies);
    out += format(
        "Parseval: %d^2 x sum |X|^2 = %.15e, sum of squared source values = %.15e, relative "
        "difference %.3e: %s\n",
        image_size, parseval.spectrum_side, parseval.source_side, parseval.relative_difference,
        parseval.agrees ? "agrees within rounding" : "DOES NOT AGREE");
    return out;
}
