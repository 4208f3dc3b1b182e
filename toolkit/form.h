#pragma once
// The top-level window (TForm) that holds a window's controls, its Qt window (FormWindow, in
// form.cpp), and the primary screen (TScreen). Relies on component.h only; closing by the user
// reaches OnClose through the guarded dispatch (dispatch.h), which only form.cpp includes.

#include <functional>
#include <string>

#include "component.h"

enum class TCloseAction { caNone, caHide, caFree, caMinimize };
using TCloseEvent = std::function<void(TObject* sender, TCloseAction& action)>;

// A top-level window with a fixed client area. Width and Height are the outer size.
class TForm : public TControl {
public:
    explicit TForm(TComponent* owner);
    ~TForm() override;

    // The outer size (Width, Height) includes the frame; the client area is set on its own and
    // is fixed.
    void SetBounds(int left, int top, int width, int height) override;
    void SetClientSize(int width, int height);
    int ClientWidth() const;
    int ClientHeight() const;

    TCloseEvent OnClose;
    void Show();
    void Close();
    bool Showing() const;

    // Font of every control of the window and of its tooltips: face, then pixel height.
    void SetFont(const std::string& face, int pixel_height);

    // Renders the window as it would appear into a PNG or BMP file (by extension).
    bool SaveScreenshot(const std::string& path);

    // Chains focus through the controls in their per-parent tab order.
    void ApplyTabOrder();

protected:
    void CaptionChanged() override;

private:
    friend class FormWindow;
    bool handle_close();
};

// The primary screen's size in pixels.
class TScreen {
public:
    int Width() const;
    int Height() const;
};
extern TScreen* Screen;
