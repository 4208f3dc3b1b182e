#include "labels.h"

#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <string>

#include "qt_text.h"

// ---------------------------------------------------------------------------------------------
// Simple controls

TPanel::TPanel(TComponent* owner) : TControl(owner, new QFrame) {
    auto* frame = static_cast<QFrame*>(widget_);
    frame->setFrameStyle(QFrame::Panel | QFrame::Raised);
    frame->setLineWidth(1);
}

TGroupBox::TGroupBox(TComponent* owner) : TControl(owner, new QGroupBox) {
    // The caption stands on the frame's top line, which runs through the middle of the text.
    widget_->setStyleSheet(QStringLiteral(
        "QGroupBox { border: 1px solid palette(mid); border-radius: 2px; margin-top: 6px; }"
        "QGroupBox::title { subcontrol-origin: margin; subcontrol-position: top left;"
        " left: 7px; padding: 0px 1px; }"));
}

void TGroupBox::CaptionChanged() { static_cast<QGroupBox*>(widget_)->setTitle(qs(caption_)); }

TLabel::TLabel(TComponent* owner) : TControl(owner, new QLabel) {
    static_cast<QLabel*>(widget_)->setTextFormat(Qt::PlainText);
}

void TLabel::CaptionChanged() {
    auto* label = static_cast<QLabel*>(widget_);
    label->setText(qs(caption_));
    const QSize hint = label->sizeHint();
    width_ = hint.width();
    height_ = hint.height();
    widget_->setGeometry(left_, top_, width_, height_);
}
