#pragma once
// Push buttons and radio buttons. Relies on component.h; clicks made by the user reach OnClick
// through the guarded dispatch (dispatch.h), which only buttons.cpp includes.

#include "component.h"

class TButton : public TControl {
public:
    explicit TButton(TComponent* owner);
    TNotifyEvent OnClick;
    bool Focusable() const override { return true; }

protected:
    void CaptionChanged() override;
};

// Radio buttons are exclusive among the radio buttons of one parent. OnClick fires when a
// button becomes the checked one, by the user or by the program; never for the checked one.
class TRadioButton : public TControl {
public:
    explicit TRadioButton(TComponent* owner);
    TNotifyEvent OnClick;
    bool Focusable() const override { return true; }
    bool Checked() const;
    void SetChecked(bool checked);

protected:
    void CaptionChanged() override;

private:
    void user_toggled(bool on);
    bool programmatic_ = false;
};
