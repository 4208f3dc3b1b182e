#pragma once
// Sustained dragging: slider changes per second through the offscreen window, every change
// painted before the next event is sent.

#include "form1.h"

struct DragFigures {
    int events = 0;              // events sent to the scroll bar
    int changes = 0;             // filter runs they caused (output pictures drawn)
    int forced_repaints = 0;     // result pictures the event loop had not painted by itself
    int paints = 0;              // paint events of Image2 and Image3 in all
    double seconds = 0;          // from the first event to the last picture painted
    double handler_seconds = 0;  // of which inside the event calls themselves, the runs included
    double handler_cpu_seconds = 0;  // this thread's processor time in the event calls
    double settle_cpu_seconds = 0;   // and in the event loop and painting after them
    double changes_per_second() const { return seconds > 0 ? changes / seconds : 0; }
    double settle_seconds() const { return seconds - handler_seconds; }
};

// The thumb of `bar` taken through every position from 0 to 200 and back to 0, one
// position per event, each set as a user's drag sets it (QScrollBar::setSliderPosition, which
// goes through valueChanged like the mouse does). The bar starts at 0 and is left at 0.
DragFigures drag_by_positions(TForm1* form, TScrollBar* bar);

// The same drag with real pointer events on the window: a press on the thumb at 0, one-pixel
// moves down until the bar reads 200, one-pixel moves back up until it reads 0, a release.
// The track is shorter than the range, so a pixel moves the thumb by several positions.
DragFigures drag_by_mouse(TForm1* form, TScrollBar* bar);
