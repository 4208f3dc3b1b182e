#pragma once
// The image control, which shows a picture and raises pointer events; its Qt surface
// (ImageSurface) paints the picture and turns the widget's pointer events into the control's.
// Relies on component.h and graphics.h (the picture); pointer events reach the handlers through
// the guarded dispatch (dispatch.h), which only image.cpp includes.

#include "component.h"
#include "graphics.h"

// Shows its picture unscaled at its top-left corner. A press captures the pointer until the
// release; the click (left button only, released inside after a left press) is raised before
// the release event; the second press of a double click counts as a press.
class TImage : public TControl {
public:
    explicit TImage(TComponent* owner);
    ~TImage() override;

    TPicture* Picture() { return &picture_; }
    // The canvas of the picture's bitmap, created at the control's size if the picture is empty.
    TCanvas* Canvas();

    TNotifyEvent OnClick;
    TMouseEvent OnMouseDown;
    TMouseMoveEvent OnMouseMove;
    TMouseEvent OnMouseUp;

private:
    friend class ImageSurface;
    TPicture picture_;
};
