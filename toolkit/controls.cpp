#include "controls.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFrame>
#include <QGroupBox>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QScreen>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWidget>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "dispatch.h"

namespace {

QString qs(const std::string& s) { return QString::fromUtf8(s.data(), static_cast<qsizetype>(s.size())); }

TShiftState shift_of(Qt::KeyboardModifiers mods, Qt::MouseButtons buttons) {
    TShiftState s = 0;
    if (mods & Qt::ShiftModifier) s |= ssShift;
    if (mods & Qt::AltModifier) s |= ssAlt;
    if (mods & Qt::ControlModifier) s |= ssCtrl;
    if (buttons & Qt::LeftButton) s |= ssLeft;
    if (buttons & Qt::RightButton) s |= ssRight;
    if (buttons & Qt::MiddleButton) s |= ssMiddle;
    return s;
}

bool button_of(Qt::MouseButton b, TMouseButton& out) {
    switch (b) {
    case Qt::LeftButton: out = TMouseButton::mbLeft; return true;
    case Qt::RightButton: out = TMouseButton::mbRight; return true;
    case Qt::MiddleButton: out = TMouseButton::mbMiddle; return true;
    default: return false;
    }
}

// Pointer positions in whole pixels of the control.
int pixel_of(double v) { return static_cast<int>(std::floor(v)); }

}  // namespace

TScreen* Screen = new TScreen;

int TScreen::Width() const {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().width() : 0;
}

int TScreen::Height() const {
    const QScreen* s = QGuiApplication::primaryScreen();
    return s ? s->geometry().height() : 0;
}

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

// ---------------------------------------------------------------------------------------------
// TOpenDialog

bool TOpenDialog::Execute() {
    // The window reads no files; the component exists for the layout only.
    ++executed_;
    return false;
}

// ---------------------------------------------------------------------------------------------
// TForm

class FormWindow : public QWidget {
public:
    explicit FormWindow(TForm* owner) : owner_(owner) {}

protected:
    void closeEvent(QCloseEvent* e) override {
        if (owner_->handle_close())
            e->accept();
        else
            e->ignore();
    }

private:
    TForm* owner_;
};

TForm::TForm(TComponent* owner) : TControl(owner, nullptr) {
    widget_ = new FormWindow(this);
    widget_->setAttribute(Qt::WA_DeleteOnClose, false);
}

TForm::~TForm() = default;

void TForm::SetBounds(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = width;
    height_ = height;
    widget_->move(left_, top_);
}

void TForm::SetClientSize(int width, int height) { widget_->setFixedSize(width, height); }
int TForm::ClientWidth() const { return widget_->width(); }
int TForm::ClientHeight() const { return widget_->height(); }

void TForm::CaptionChanged() { widget_->setWindowTitle(qs(caption_)); }

void TForm::Show() {
    widget_->move(left_, top_);
    widget_->show();
}

void TForm::Close() { widget_->close(); }

bool TForm::Showing() const { return widget_->isVisible(); }

bool TForm::handle_close() {
    TCloseAction action = TCloseAction::caHide;
    guarded_dispatch([&] {
        if (OnClose)
            OnClose(this, action);
    });
    return action != TCloseAction::caNone;
}

void TForm::SetFont(const std::string& face, int pixel_height) {
    QFont font;
    font.setFamilies({qs(face)});
    font.setPixelSize(pixel_height);
    font.setStyleStrategy(QFont::PreferMatch);
    widget_->setFont(font);
}

bool TForm::SaveScreenshot(const std::string& path) {
    widget_->ensurePolished();
    const QPixmap pixmap = widget_->grab();
    return pixmap.save(qs(path));
}

void TForm::ApplyTabOrder() {
    std::vector<TControl*> chain;
    const std::function<void(TControl*)> walk = [&](TControl* parent) {
        std::vector<TControl*> kids = parent->Controls();
        std::stable_sort(kids.begin(), kids.end(),
                         [](TControl* a, TControl* b) { return a->TabOrder() < b->TabOrder(); });
        for (TControl* c : kids) {
            if (c->Focusable())
                chain.push_back(c);
            walk(c);
        }
    };
    walk(this);
    for (std::size_t i = 1; i < chain.size(); ++i)
        QWidget::setTabOrder(chain[i - 1]->Widget(), chain[i]->Widget());
}
