#include "form.h"

#include <QCloseEvent>
#include <QFont>
#include <QGuiApplication>
#include <QPixmap>
#include <QScreen>
#include <QToolTip>
#include <QWidget>
#include <algorithm>
#include <string>
#include <vector>

#include "dispatch.h"
#include "qt_text.h"

// ---------------------------------------------------------------------------------------------
// TScreen

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
    // Tooltips are windows of their own; they take the window's face too.
    QToolTip::setFont(font);
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
