#pragma once
// Window controls. Each wraps one Qt widget; Qt itself stays inside the toolkit's sources.
//
// User events reach their handlers through the guarded dispatch; the event rules are in
// dispatch.h.

#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "component.h"
#include "open_dialog.h"
#include "image.h"
#include "labels.h"
#include "buttons.h"
#include "scroll_bar.h"
#include "graphics.h"

class QWidget;
class TForm;

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

    // Font of every control of the window: face, then pixel height.
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
