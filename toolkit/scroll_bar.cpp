#include "scroll_bar.h"

#include <QScrollBar>
#include <QSignalBlocker>
#include <algorithm>

#include "dispatch.h"

// ---------------------------------------------------------------------------------------------
// TScrollBar

TScrollBar::TScrollBar(TComponent* owner) : TControl(owner, new QScrollBar) {
    auto* bar = static_cast<QScrollBar*>(widget_);
    bar->setFocusPolicy(Qt::StrongFocus);
    bar->setTracking(true);
    sync_widget();
    QObject::connect(bar, &QScrollBar::valueChanged, [this](int v) { user_moved(v); });
}

void TScrollBar::sync_widget() {
    auto* bar = static_cast<QScrollBar*>(widget_);
    const QSignalBlocker block(bar);
    bar->setOrientation(kind_ == TScrollBarKind::sbVertical ? Qt::Vertical : Qt::Horizontal);
    bar->setRange(min_, max_);
    bar->setSingleStep(small_);
    bar->setPageStep(large_);
    bar->setValue(position_);
}

void TScrollBar::SetKind(TScrollBarKind kind) {
    kind_ = kind;
    sync_widget();
}

void TScrollBar::SetRange(int min, int max) {
    min_ = min;
    max_ = std::max(min, max);
    position_ = std::clamp(position_, min_, max_);
    sync_widget();
}

void TScrollBar::SetSmallChange(int v) {
    small_ = v;
    sync_widget();
}

void TScrollBar::SetLargeChange(int v) {
    large_ = v;
    sync_widget();
}

void TScrollBar::SetPosition(int position) {
    position = std::clamp(position, min_, max_);
    if (position == position_)
        return;
    position_ = position;
    sync_widget();
    if (OnChange)
        OnChange(this);
}

void TScrollBar::user_moved(int value) {
    if (value == position_)
        return;
    position_ = value;
    guarded_dispatch([this] {
        if (OnChange)
            OnChange(this);
    });
}
