#include "image.h"

#include <QImage>
#include <QMouseEvent>
#include <QPainter>
#include <QWidget>
#include <cmath>
#include <cstdint>
#include <cstring>

#include "dispatch.h"

namespace {

TShiftState shift_of(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons) {
    TShiftState s = 0;
    if (mods & Qt::ShiftModifier)
        s |= ssShift;
    if (mods & Qt::AltModifier)
        s |= ssAlt;
    if (mods & Qt::ControlModifier)
        s |= ssCtrl;
    if (buttons & Qt::LeftButton)
        s |= ssLeft;
    if (buttons & Qt::RightButton)
        s |= ssRight;
    if (buttons & Qt::MiddleButton)
        s |= ssMiddle;
    return s;
}

bool button_of(Qt::MouseButton b, TMouseButton& out) {
    switch (b) {
    case Qt::LeftButton:
        out = TMouseButton::mbLeft;
        return true;
    case Qt::RightButton:
        out = TMouseButton::mbRight;
        return true;
    case Qt::MiddleButton:
        out = TMouseButton::mbMiddle;
        return true;
    default:
        return false;
    }
}

// Pointer positions in whole pixels of the control.
int pixel_of(double v) { return static_cast<int>(std::floor(v)); }

}  // namespace

// ---------------------------------------------------------------------------------------------
// TImage

class ImageSurface : public QWidget {
public:
    explicit ImageSurface(TImage* owner) : owner_(owner) { setMouseTracking(true); }

    // The picture changed: the shown image is rebuilt at the next paint. While it is stale a
    // paint is already asked for (or the surface is not shown, and showing it paints), so a run
    // of changes, such as the segments of a curve, asks once.
    void picture_changed() {
        if (stale_ && requested_)
            return;
        stale_ = true;
        requested_ = true;
        update();
    }

protected:
    void paintEvent(QPaintEvent*) override {
        requested_ = false;
        if (owner_->picture_.Empty())
            return;
        if (stale_)
            rebuild();
        if (!shown_.isNull()) {
            QPainter painter(this);
            painter.drawImage(0, 0, shown_);
        }
    }

    // One conversion per change into the engine's native 32-bit form, so painting is a copy.
    void rebuild() {
        stale_ = false;
        const TBitmap& bmp = *owner_->picture_.Bitmap();
        if (bmp.Width() == 0 || bmp.Height() == 0) {
            shown_ = QImage();
            return;
        }
        // The image of the last conversion is reused when the size is unchanged.
        if (shown_.width() != bmp.Width() || shown_.height() != bmp.Height() ||
            shown_.format() != QImage::Format_RGB32)
            shown_ = QImage(bmp.Width(), bmp.Height(), QImage::Format_RGB32);
        const auto& pal = bmp.Palette();
        const int w = bmp.Width();
        for (int y = 0; y < bmp.Height(); ++y) {
            const std::uint8_t* in = bmp.ScanLine(y);
            auto* out = reinterpret_cast<QRgb*>(shown_.scanLine(y));
            if (bmp.PixelFormat() == TPixelFormat::pf24bit) {
                // Blue, green, red in memory order are the low three bytes of a 32-bit word
                // read there; the last pixel of a row is read byte by byte, not past the row.
                int x = 0;
                for (; x + 1 < w; ++x) {
                    std::uint32_t word;
                    std::memcpy(&word, in + 3 * x, 4);
                    out[x] = 0xFF000000u | (word & 0x00FFFFFFu);
                }
                for (; x < w; ++x)
                    out[x] = qRgb(in[3 * x + 2], in[3 * x + 1], in[3 * x]);
            } else {
                for (int x = 0; x < w; ++x) {
                    const std::uint32_t rgb = in[x] < pal.size() ? pal[in[x]] : 0;
                    out[x] = 0xFF000000u | rgb;
                }
            }
        }
    }

    void mousePressEvent(QMouseEvent* e) override { press(e, 0); }
    void mouseDoubleClickEvent(QMouseEvent* e) override { press(e, ssDouble); }

    void mouseMoveEvent(QMouseEvent* e) override {
        const int x = pixel_of(e->position().x()), y = pixel_of(e->position().y());
        const TShiftState shift = shift_of(e->modifiers(), e->buttons());
        guarded_dispatch([&] {
            if (owner_->OnMouseMove)
                owner_->OnMouseMove(owner_, shift, x, y);
        });
    }

    void mouseReleaseEvent(QMouseEvent* e) override {
        TMouseButton button;
        if (!button_of(e->button(), button))
            return;
        const int x = pixel_of(e->position().x()), y = pixel_of(e->position().y());
        const TShiftState shift = shift_of(e->modifiers(), e->buttons());
        const bool click = button == TMouseButton::mbLeft && left_pressed_ && rect().contains(x, y);
        if (button == TMouseButton::mbLeft)
            left_pressed_ = false;
        if (click)
            guarded_dispatch([&] {
                if (owner_->OnClick)
                    owner_->OnClick(owner_);
            });
        guarded_dispatch([&] {
            if (owner_->OnMouseUp)
                owner_->OnMouseUp(owner_, button, shift, x, y);
        });
    }

private:
    void press(QMouseEvent* e, TShiftState extra) {
        TMouseButton button;
        if (!button_of(e->button(), button))
            return;
        if (button == TMouseButton::mbLeft)
            left_pressed_ = true;
        const int x = pixel_of(e->position().x()), y = pixel_of(e->position().y());
        const TShiftState shift = shift_of(e->modifiers(), e->buttons()) | extra;
        guarded_dispatch([&] {
            if (owner_->OnMouseDown)
                owner_->OnMouseDown(owner_, button, shift, x, y);
        });
    }

    TImage* owner_;
    bool left_pressed_ = false;
    bool stale_ = true;
    bool requested_ = false;  // update() was called and no paint has come since
    QImage shown_;
};

TImage::TImage(TComponent* owner) : TControl(owner, nullptr) {
    widget_ = new ImageSurface(this);
    picture_.SetOnChange([this] {
        if (widget_)
            static_cast<ImageSurface*>(widget_)->picture_changed();
    });
}

TImage::~TImage() { picture_.SetOnChange(nullptr); }

TCanvas* TImage::Canvas() {
    if (picture_.Empty()) {
        TBitmap* bmp = picture_.Bitmap();
        bmp->SetPixelFormat(TPixelFormat::pf24bit);
        bmp->SetSize(Width(), Height());
    }
    return picture_.Bitmap()->Canvas();
}
