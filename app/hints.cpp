#include "hints.h"

#include <cmath>
#include <cstdarg>
#include <cstdio>

#include "engine.h"
#include "form1.h"
#include "numeric.h"

const char* const source_hint =
    "The source picture.\n"
    "The filter reads the blue byte of each pixel; every picture here is grey,\n"
    "so that byte carries it all.";

const char* const output_hint =
    "The filtered picture, moved one pixel up and to the left.\n"
    "It is scaled so that its largest value shows as 255. Negative values show\n"
    "by their size, and values beyond 255 wrap round to dark (300 shows as 44):\n"
    "dark holes inside bright parts are such values, not a fault.";

namespace {

const char* const group_names[] = {"Low", "Middle", "High"};

std::string format(const char* pattern, ...) {
    char text[512];
    va_list args;
    va_start(args, pattern);
    std::vsnprintf(text, sizeof text, pattern, args);
    va_end(args);
    return text;
}

// A wavelength in pixels, one decimal, for a radius in cycles per picture.
std::string wavelength(double radius) {
    return radius <= 0 ? std::string("∞") : format("%.1f", image_size / radius);
}

double outer_radius(int band) {
    return band == band_count - 1 ? largest_radius() : band_outer_radius(band);
}

}  // namespace

std::string slider_hint(int band, int position) {
    const double inner = band_inner_radius(band);
    const double outer = outer_radius(band);
    const int gain = gain_of_position(position);
    const long long elements = band_element_counts()[band];
    return format(
        "Band %d (ScrollBar%d): %.1f – %.1f cycles per picture,\n"
        "wavelengths %s – %s px, %lld %s;\n"
        "gain %d %% (× %.3f)",
        band, band + 1, inner, outer, wavelength(outer).c_str(), wavelength(inner).c_str(),
        elements, elements == 1 ? "element" : "elements", gain, band_factor(gain));
}

std::string preset_hint(int first_band, int gain) {
    return format("%s: bands %d – %d to gain %d %%", group_names[first_band / bands_per_group],
                  first_band, first_band + bands_per_group - 1, gain);
}

std::string group_hint(int first_band) {
    const int last = first_band + bands_per_group - 1;
    return format(
        "%s: the gains of bands %d – %d,\n"
        "%.1f – %.1f cycles per picture, wavelengths %s – %s px.\n"
        "Top 200 %%, middle 100 %%, bottom 0 %%; each element is multiplied\n"
        "by the cube of its band's gain.",
        group_names[first_band / bands_per_group], first_band, last, band_inner_radius(first_band),
        outer_radius(last), wavelength(outer_radius(last)).c_str(),
        wavelength(band_inner_radius(first_band)).c_str());
}

std::string sample_hint(Sample sample) {
    return std::string(sample_caption(sample)) + "\n" + sample_description(sample);
}

std::string spectrum_hint(int x, int y, const SliderPositions& positions) {
    if (x < 0 || y < 0 || x >= image_size || y >= image_size || !band_map)
        return "";
    const int centre = image_size / 2;
    const int u = x - centre;
    const int v = y - centre;
    const double radius = std::sqrt(static_cast<double>(u * u + v * v));
    const int band = band_map[x][y];
    std::string text = format("(%d, %d) cycles per picture from the centre:\n", u, v);
    if (u == 0 && v == 0)
        text += "the zero frequency, the picture's mean;\n";
    else
        text += format("radius %.1f, wavelength %s px;\n", radius, wavelength(radius).c_str());
    text += format("band %d (ScrollBar%d) at gain %d %%", band, band + 1,
                   gain_of_position(positions[band]));
    if (const double* magnitudes = spectrum_magnitudes())
        text += format(";\nmagnitude %.4g", magnitudes[x * image_size + y]);
    return text;
}

void TForm1::set_hints() {
    for (int band = 0; band < band_count; ++band) {
        TScrollBar* slider = band_slider(band);
        slider->SetHintSource(
            [band, slider](int, int) { return slider_hint(band, slider->Position()); });
    }
    struct Preset {
        TButton* button;
        int first_band;
        int gain;
    };
    const Preset presets[] = {
        {Button9, 0, preset_gains[0]}, {Button1, 0, preset_gains[1]}, {Button4, 0, preset_gains[2]},
        {Button8, 4, preset_gains[0]}, {Button5, 4, preset_gains[1]}, {Button2, 4, preset_gains[2]},
        {Button7, 8, preset_gains[0]}, {Button6, 8, preset_gains[1]}, {Button3, 8, preset_gains[2]},
    };
    for (const Preset& preset : presets)
        preset.button->SetHint(preset_hint(preset.first_band, preset.gain));
    GroupBox1->SetHint(group_hint(0));
    GroupBox3->SetHint(group_hint(bands_per_group));
    GroupBox2->SetHint(group_hint(2 * bands_per_group));
    GroupBox4->SetHint("The source picture: one of seven built-in grey pictures.");
    for (Sample sample : all_samples)
        sample_radio(sample)->SetHint(sample_hint(sample));
    Image1->SetHint(source_hint);
    Label2->SetHint(source_hint);
    Image3->SetHint(output_hint);
    Label4->SetHint(output_hint);
    Image2->SetHintSource([this](int x, int y) {
        SliderPositions positions{};
        for (int band = 0; band < band_count; ++band)
            positions[band] = band_slider(band)->Position();
        return spectrum_hint(x, y, positions);
    });
    Label3->SetHint(
        "The centred spectrum after the gains: the zero frequency in the middle,\n"
        "the frequency rising outward. Red shows the magnitude at one scale, green\n"
        "at ten and blue at a hundred times that scale, each wrapping round, so that\n"
        "contours appear. The red curve is the summed magnitude at each distance\n"
        "from the centre, two pixels across per unit of distance, measured up from\n"
        "the bottom edge.");
}
