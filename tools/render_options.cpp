#include "render_options.h"

#include <charconv>
#include <iterator>
#include <utility>

namespace {

std::string known_samples() {
    std::string names;
    for (int s = 0; s < sample_count; ++s) {
        if (s)
            names += ", ";
        names += sample_caption(static_cast<Sample>(s));
    }
    return names;
}

std::string trimmed(const std::string& s) {
    const auto first = s.find_first_not_of(" \t");
    if (first == std::string::npos)
        return "";
    const auto last = s.find_last_not_of(" \t");
    return s.substr(first, last - first + 1);
}

}  // namespace

SliderPositions parse_twelve(const std::string& option, const std::string& text) {
    std::vector<std::string> items;
    std::string::size_type from = 0;
    for (;;) {
        const auto comma = text.find(',', from);
        items.push_back(
            text.substr(from, comma == std::string::npos ? std::string::npos : comma - from));
        if (comma == std::string::npos)
            break;
        from = comma + 1;
    }
    if (items.size() != band_count)
        throw UsageError(option + ": expected " + std::to_string(band_count) +
                         " comma-separated values, got " + std::to_string(items.size()));
    SliderPositions values{};
    for (int k = 0; k < band_count; ++k) {
        const std::string item = trimmed(items[k]);
        const std::string which = option + ": value " + std::to_string(k + 1);
        if (item.empty())
            throw UsageError(which + " is empty");
        int v = 0;
        const char* end = item.data() + item.size();
        const auto [stop, error] = std::from_chars(item.data(), end, v);
        if (error == std::errc::result_out_of_range)
            throw UsageError(which + " \"" + item + "\" is out of range " +
                             std::to_string(slider_min) + " to " + std::to_string(slider_max));
        if (error != std::errc() || stop != end)
            throw UsageError(which + " \"" + item + "\" is not a whole number");
        if (v < slider_min || v > slider_max)
            throw UsageError(which + " \"" + item + "\" is out of range " +
                             std::to_string(slider_min) + " to " + std::to_string(slider_max));
        values[k] = v;
    }
    return values;
}

RenderOptions parse_render_options(const std::vector<std::string>& args) {
    RenderOptions options;
    bool have_positions = false;
    bool have_gains = false;
    std::vector<std::string> seen;

    for (std::size_t i = 0; i < args.size(); ++i) {
        std::string name = args[i];
        std::optional<std::string> inline_value;
        if (name.rfind("--", 0) == 0) {
            const auto eq = name.find('=');
            if (eq != std::string::npos) {
                inline_value = name.substr(eq + 1);
                name = name.substr(0, eq);
            }
        }
        const auto flag = [&] {
            if (inline_value)
                throw UsageError(name + ": takes no value");
        };
        const auto value = [&]() -> std::string {
            if (inline_value)
                return *inline_value;
            if (i + 1 >= args.size())
                throw UsageError(name + ": missing value");
            return args[++i];
        };
        const auto once = [&] {
            for (const std::string& s : seen)
                if (s == name)
                    throw UsageError(name + ": given more than once");
            seen.push_back(name);
        };
        const auto path = [&]() {
            once();
            std::string p = value();
            if (p.empty())
                throw UsageError(name + ": the file name is empty");
            return p;
        };

        if (name == "--help" || name == "-h") {
            flag();
            options.help = true;
        } else if (name == "--sample") {
            once();
            const std::string caption = value();
            const auto sample = sample_by_caption(caption);
            if (!sample)
                throw UsageError("--sample: unknown sample \"" + caption + "\" (one of " +
                                 known_samples() + ")");
            options.sample = sample;
        } else if (name == "--input") {
            options.input = path();
        } else if (name == "--fit") {
            flag();
            once();
            options.fit = true;
        } else if (name == "--positions") {
            once();
            options.positions = parse_twelve(name, value());
            have_positions = true;
        } else if (name == "--gains") {
            once();
            const SliderPositions gains = parse_twelve(name, value());
            for (int k = 0; k < band_count; ++k)
                options.positions[k] = position_of_gain(gains[k]);
            have_gains = true;
        } else if (name == "--source") {
            options.source_path = path();
        } else if (name == "--spectrum") {
            options.spectrum_path = path();
        } else if (name == "--output") {
            options.output_path = path();
        } else if (name == "--window") {
            options.window_path = path();
        } else if (name == "--bands") {
            options.bands_path = path();
        } else if (name == "--report") {
            flag();
            once();
            options.report = true;
        } else if (name.rfind("-", 0) == 0) {
            throw UsageError(name + ": unknown option (see --help)");
        } else {
            throw UsageError(name + ": unexpected argument (see --help)");
        }
    }
    if (options.help)
        return options;

    if (options.sample && !options.input.empty())
        throw UsageError("--sample and --input: give only one source picture");
    if (!options.sample && options.input.empty())
        throw UsageError("no source picture: give --sample NAME or --input FILE (see --help)");
    if (options.fit && options.input.empty())
        throw UsageError("--fit: applies to --input pictures only");
    if (have_positions && have_gains)
        throw UsageError("--positions and --gains: give only one of them");

    const std::pair<const char*, const std::string*> outputs[] = {
        {"--source", &options.source_path},
        {"--spectrum", &options.spectrum_path},
        {"--output", &options.output_path},
        {"--window", &options.window_path},
        {"--bands", &options.bands_path}};
    bool any = options.report;
    for (std::size_t a = 0; a < std::size(outputs); ++a) {
        const std::string& p = *outputs[a].second;
        if (p.empty())
            continue;
        any = true;
        for (std::size_t b = 0; b < a; ++b)
            if (*outputs[b].second == p)
                throw UsageError(std::string(outputs[b].first) + " and " + outputs[a].first +
                                 ": both name " + p);
    }
    if (!any)
        throw UsageError(
            "nothing to do: give at least one of --source, --spectrum, --output, --window, "
            "--bands, "
            "--report");
    return options;
}

std::string usage_text() {
    return R"(NAME
    veld-render - the pictures of the VELD window from the command line

SYNOPSIS
    veld-render (--sample NAME | --input FILE [--fit])
                [--positions P1,...,P12 | --gains G1,...,G12]
                [--source FILE] [--spectrum FILE] [--output FILE] [--window FILE]
                [--bands FILE] [--report]
    veld-render --help

DESCRIPTION
    Performs one filter run exactly as the VELD window performs its first one, with the
    twelve band sliders where you put them, and writes the pictures the window would show.
    The same code computes them, so they are the window's pictures bit for bit.

    The twelve values of --positions and --gains go to ScrollBar1 ... ScrollBar12, band 0
    (the zero frequency) to band 11 (the corners of the spectrum). A position runs from 0
    (thumb at the top) to 200 (bottom); the gain of its band is 200 - position percent, and
    every spectrum element of the band is multiplied by (gain / 100)^3.

SOURCE
    --sample NAME    a built-in sample, by its radio-button caption: Wave, Steps, Circles1,
                     Circles2, Jupiter, Saturn, Moon.
    --input FILE     a picture file in any format that can be read (PNG, BMP, JPEG, GIF ...).
                     It gets the window's treatment of a source picture: 24 bits per pixel,
                     width and height set to 256 keeping the top-left corner (new area black),
                     and only the blue byte of each pixel is used.
    --fit            instead fit the --input picture into 256 x 256 in grey levels: the
                     picture centred in the square of its longer side (black beside it),
                     scaled smoothly, so that round things stay round. For photographs.

SETTING
    --positions P1,...,P12   slider positions, whole numbers 0 to 200 (default all 100).
    --gains G1,...,G12       band gains in percent, whole numbers 0 to 200.

OUTPUT
    Picture files are PNG or BMP, chosen by the extension (.png or .bmp).
    --source FILE    the source picture as the left image shows it after the run.
    --spectrum FILE  the middle image: the filtered spectrum with its red radial profile.
    --output FILE    the right image: the band-filtered picture.
    --window FILE    the whole main window in that state, rendered offscreen.
    --bands FILE     a contact sheet of 4 x 3 tiles of 256 x 256: tile k (left to right, top
                     to bottom; rows Low, Middle, High) is the picture's content in band k
                     alone, normalised like the output. A band with no positive value after
                     the transform is black, and a warning names it.
    --report         a table on standard output, one row per band: slider, radius range in
                     pixels, the same as cycles per picture and as wavelength in pixels,
                     element count, share of the spectrum's energy before and after the gains,
                     and the factor; then a line checking the energies against Parseval's
                     theorem.

    Every file is written under a temporary name beside it and renamed when all are complete:
    after an error none of them is written.

EXIT STATUS
    0   success.
    2   a bad command line, an unreadable or unsupported input, an unwritable output; one line
        on standard error names the argument or file and the reason.
    3   the filter run failed: the filtered picture has no positive value (all gains 0, for
        instance). The window's error text goes to standard error; no file is written.

EXAMPLES
    veld-render --sample Moon --gains 100,100,100,100,0,0,0,0,0,0,0,0 --output moon-low.png
    veld-render --input photo.jpg --fit --bands bands.png --report
)";
}
