#include "window_fixture.h"

#include <QScrollBar>
#include <QStyleOptionSlider>
#include <cstdlib>

#include "band.h"
#include "engine.h"
#include "numeric.h"
#include "picture_bytes.h"
#include "state.h"
#include "working_state.h"

TForm1* open_window() {
    close_window();
    Application->CreateForm(Form1);
    Form1->Show();
    Application->ProcessMessages();
    return Form1;
}

void close_window() {
    if (Form1) {
        delete Form1;
        Form1 = nullptr;
    }
    release_working_state();
}

namespace {

TBitmap as_24bit(TImage* image) {
    TBitmap copy(*image->Picture()->Bitmap());
    copy.SetPixelFormat(TPixelFormat::pf24bit);
    return copy;
}

}  // namespace

std::vector<std::uint8_t> picture_bytes(TImage* image) { return bitmap_bytes(as_24bit(image)); }

std::vector<std::uint8_t> picture_blue(TImage* image) { return blue_bytes(as_24bit(image)); }

std::vector<std::uint8_t> sample_blue(Sample sample) {
    const auto bmp = sample_bmp(sample);
    TBitmap bitmap;
    bitmap.LoadFromBmp(bmp.data(), bmp.size());
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    return blue_bytes(bitmap);
}

RunObserver::RunObserver(TForm1* form, std::function<void()> on_run) : form_(form) {
    TPicture* picture = form_->Image3->Picture();
    previous_ = picture->OnChange();
    picture->SetOnChange([this, on_run] {
        ++runs_;
        if (on_run)
            on_run();
        if (previous_)
            previous_();
    });
}

RunObserver::~RunObserver() { form_->Image3->Picture()->SetOnChange(previous_); }

std::array<int, 12> slider_positions(TForm1* form) {
    std::array<int, 12> p{};
    for (int k = 0; k < 12; ++k)
        p[k] = form->band_slider(k)->Position();
    return p;
}

std::array<TRadioButton*, 7> sample_radios(TForm1* form) {
    return {form->RadioButton1, form->RadioButton4, form->RadioButton5, form->RadioButton6,
            form->RadioButton7, form->RadioButton8, form->RadioButton9};
}

QRect scroll_part(QScrollBar* bar, QStyle::SubControl part) {
    QStyleOptionSlider opt;
    opt.initFrom(bar);
    opt.subControls = QStyle::SC_All;
    opt.activeSubControls = QStyle::SC_None;
    opt.orientation = bar->orientation();
    if (bar->orientation() == Qt::Horizontal)
        opt.state |= QStyle::State_Horizontal;
    opt.upsideDown = bar->invertedAppearance();
    opt.minimum = bar->minimum();
    opt.maximum = bar->maximum();
    opt.sliderPosition = bar->sliderPosition();
    opt.sliderValue = bar->value();
    opt.singleStep = bar->singleStep();
    opt.pageStep = bar->pageStep();
    return bar->style()->subControlRect(QStyle::CC_ScrollBar, &opt, part, bar);
}
