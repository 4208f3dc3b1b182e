#pragma once
// The file-open dialog, a component of the window's layout that is not a control. Relies on
// component.h only.

#include "component.h"

// A file-open dialog component. It has no settings of its own; nothing opens it.
class TOpenDialog : public TComponent {
public:
    explicit TOpenDialog(TComponent* owner) : TComponent(owner) {}
    bool Execute();
    // Test seam: how often Execute was called (never, in the window).
    int ExecuteCount() const { return executed_; }

private:
    int executed_ = 0;
};
