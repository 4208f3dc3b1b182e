#pragma once
// The command line of veld-render.

#include <optional>
#include <stdexcept>
#include <string>
#include <vector>

#include "band.h"
#include "samples.h"

// What one invocation asks for. Paths are empty when not asked for.
struct RenderOptions {
    bool help = false;
    std::optional<Sample> sample;  // --sample NAME
    std::string input;             // --input FILE
    bool fit = false;              // --fit
    SliderPositions positions = start_positions();
    std::string source_path;    // --source: Image1 after the run
    std::string spectrum_path;  // --spectrum: Image2
    std::string output_path;    // --output: Image3
    std::string window_path;    // --window: the whole main window
    std::string bands_path;     // --bands: the contact sheet of the twelve bands
    bool report = false;        // --report
};

// A command line that cannot be carried out. The message names the argument and the reason.
class UsageError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Reads the arguments after the program name. Options take their value as the next argument
// or after '=' ("--gains=100,..."). Throws UsageError.
RenderOptions parse_render_options(const std::vector<std::string>& args);

// Twelve whole numbers from 0 to 200, separated by commas; `option` names the list in errors.
SliderPositions parse_twelve(const std::string& option, const std::string& text);

// The text of --help.
std::string usage_text();
