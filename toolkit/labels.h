#pragma once
// The controls that only show something and raise no events: panels, group boxes and labels.
// Relies on component.h only.

#include "component.h"

class TPanel : public TControl {
public:
    explicit TPanel(TComponent* owner);
};

class TGroupBox : public TControl {
public:
    explicit TGroupBox(TComponent* owner);

protected:
    void CaptionChanged() override;
};

// A label sizes itself to its text whenever the caption changes.
class TLabel : public TControl {
public:
    explicit TLabel(TComponent* owner);

protected:
    void CaptionChanged() override;
};
