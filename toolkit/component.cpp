#include "component.h"

#include <QEvent>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QToolTip>
#include <QWidget>
#include <algorithm>
#include <cmath>

#include "qt_text.h"

namespace {

// Shows a control's hint when its widget asks for a tooltip, and keeps the text in step with
// the pointer while it shows. Owned by the widget. Only looks: every event goes on as before.
class HintWatcher : public QObject {
public:
    HintWatcher(const TControl* control, QWidget* widget) : QObject(widget), control_(control) {}

    bool eventFilter(QObject* watched, QEvent* event) override {
        auto* widget = static_cast<QWidget*>(watched);
        if (event->type() == QEvent::ToolTip) {
            const auto* help = static_cast<QHelpEvent*>(event);
            show(widget, help->pos(), help->globalPos());
            return true;
        }
        if (event->type() == QEvent::MouseMove && showing_ && QToolTip::isVisible()) {
            const auto* move = static_cast<QMouseEvent*>(event);
            const QPoint at(static_cast<int>(std::floor(move->position().x())),
                            static_cast<int>(std::floor(move->position().y())));
            show(widget, at, move->globalPosition().toPoint());
        }
        return false;
    }

private:
    void show(QWidget* widget, QPoint at, QPoint global) {
        const std::string text = control_->CurrentHint(at.x(), at.y());
        showing_ = !text.empty();
        // The hint's own lines, as they are: never wrapped to a width of Qt's choosing.
        if (showing_)
            QToolTip::showText(
                global, "<p style='white-space:pre'>" + qs(text).toHtmlEscaped() + "</p>", widget);
        else
            QToolTip::hideText();
    }

    const TControl* control_;
    bool showing_ = false;
};

}  // namespace

// ---------------------------------------------------------------------------------------------
// TComponent

TComponent::TComponent(TComponent* owner) : owner_(owner) {
    if (owner_)
        owner_->components_.push_back(this);
}

TComponent::~TComponent() {
    while (!components_.empty()) {
        TComponent* last = components_.back();
        delete last;  // removes itself from components_
    }
    if (owner_) {
        auto& list = owner_->components_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
}

TComponent* TComponent::FindComponent(const std::string& name) const {
    for (TComponent* c : components_)
        if (c->Name() == name)
            return c;
    return nullptr;
}

// ---------------------------------------------------------------------------------------------
// TControl

TControl::TControl(TComponent* owner, QWidget* widget) : TComponent(owner), widget_(widget) {}

void TControl::SetHint(std::string text) {
    hint_ = std::move(text);
    watch_hint_requests();
}

void TControl::SetHintSource(THintSource source) {
    hint_source_ = std::move(source);
    watch_hint_requests();
}

std::string TControl::CurrentHint(int x, int y) const {
    return hint_source_ ? hint_source_(x, y) : hint_;
}

void TControl::watch_hint_requests() {
    if (hint_watched_ || !widget_)
        return;
    widget_->installEventFilter(new HintWatcher(this, widget_));
    hint_watched_ = true;
}

TControl::~TControl() {
    // Controls owned by this one go first, children before their parents.
    while (!Components().empty())
        delete Components().back();
    // Child controls owned elsewhere keep their own widgets.
    for (TControl* child : children_) {
        child->parent_ = nullptr;
        if (child->widget_) {
            child->widget_->hide();
            child->widget_->setParent(nullptr);
        }
    }
    if (parent_) {
        auto& list = parent_->children_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    delete widget_;
}

void TControl::SetParent(TControl* parent) {
    if (parent_ == parent)
        return;
    if (parent_) {
        auto& list = parent_->children_;
        list.erase(std::remove(list.begin(), list.end(), this), list.end());
    }
    parent_ = parent;
    if (parent_)
        parent_->children_.push_back(this);
    widget_->setParent(parent_ ? parent_->widget_ : nullptr);
    widget_->setGeometry(left_, top_, width_, height_);
    widget_->setVisible(visible_ && parent_);
}

void TControl::SetBounds(int left, int top, int width, int height) {
    left_ = left;
    top_ = top;
    width_ = std::max(0, width);
    height_ = std::max(0, height);
    widget_->setGeometry(left_, top_, width_, height_);
}

void TControl::SetVisible(bool v) {
    visible_ = v;
    if (parent_)
        widget_->setVisible(v);
}

void TControl::SetCaption(const std::string& text) {
    caption_ = text;
    CaptionChanged();
}
