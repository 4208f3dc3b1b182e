#pragma once
// The whole main window in the state of one first run, rendered offscreen.

#include <optional>
#include <string>

#include "band.h"
#include "graphics.h"
#include "samples.h"

class TForm1;

// What the window is to show: the source picture (a sample's holder copy or a picture of the
// user's), the radio button checked (none for a picture of the user's) and the sliders.
struct WindowState {
    std::optional<Sample> sample;
    TBitmap source;  // used when sample is empty
    SliderPositions positions{};
};

// Brings a constructed window to the state its first run would leave with these settings: the
// radio button and sliders set with their handlers unbound (so nothing runs on the way),
// field_im cleared as allocated, the source copied into Image1 as a radio button copies its
// holder, then one run_filter(). A failing run throws, as run_filter does.
void drive_to_first_run(TForm1& form, const WindowState& state);

// Makes sure the application object is initialised, rendering offscreen unless the caller's
// environment names a platform in QT_QPA_PLATFORM. `program` is argv[0].
void initialise_offscreen_application(const char* program);

// Creates the main window (its constructor performs the start-up and its own first run),
// drives it to `state` and renders it into `path` (PNG or BMP by extension). Returns false
// when the rendering could not be saved. The window is destroyed afterwards.
bool render_window(const WindowState& state, const std::string& path);
