#include "buttons.h"

#include <QPushButton>
#include <QRadioButton>
#include <string>

#include "dispatch.h"
#include "qt_text.h"

// ---------------------------------------------------------------------------------------------
// TButton

TButton::TButton(TComponent* owner) : TControl(owner, new QPushButton) {
    auto* button = static_cast<QPushButton*>(widget_);
    button->setAutoDefault(false);
    QObject::connect(button, &QPushButton::clicked, [this] {
        guarded_dispatch([this] {
            if (OnClick)
                OnClick(this);
        });
    });
}

void TButton::CaptionChanged() { static_cast<QPushButton*>(widget_)->setText(qs(caption_)); }

// ---------------------------------------------------------------------------------------------
// TRadioButton

TRadioButton::TRadioButton(TComponent* owner) : TControl(owner, new QRadioButton) {
    auto* radio = static_cast<QRadioButton*>(widget_);
    radio->setAutoExclusive(true);
    // A narrow gap between the mark and the text, so that the layout's widths hold the captions.
    radio->setStyleSheet(QStringLiteral("QRadioButton { spacing: 3px; }"));
    QObject::connect(radio, &QRadioButton::toggled, [this](bool on) { user_toggled(on); });
}

void TRadioButton::CaptionChanged() { static_cast<QRadioButton*>(widget_)->setText(qs(caption_)); }

bool TRadioButton::Checked() const { return static_cast<QRadioButton*>(widget_)->isChecked(); }

void TRadioButton::user_toggled(bool on) {
    if (!on || programmatic_)
        return;
    guarded_dispatch([this] {
        if (OnClick)
            OnClick(this);
    });
}

void TRadioButton::SetChecked(bool checked) {
    auto* radio = static_cast<QRadioButton*>(widget_);
    if (radio->isChecked() == checked)
        return;
    programmatic_ = true;
    if (!checked) {
        // An exclusive button cannot be unchecked on its own.
        radio->setAutoExclusive(false);
        radio->setChecked(false);
        radio->setAutoExclusive(true);
    } else {
        radio->setChecked(true);
    }
    programmatic_ = false;
    if (checked && OnClick)
        OnClick(this);
}
