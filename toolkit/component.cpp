#include "component.h"

#include <QWidget>
#include <algorithm>

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
