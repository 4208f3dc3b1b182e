#include "window_fixture.h"

#include <cstdlib>

#include "band.h"
#include "numeric.h"
#include "run.h"
#include "state.h"

namespace {

template <class T>
void free_matrix(T**& m) {
    if (!m)
        return;
    for (int i = 0; i < image_size; ++i)
        std::free(m[i]);
    std::free(m);
    m = nullptr;
}

template <class T>
void free_vector(T*& v) {
    std::free(v);
    v = nullptr;
}

}  // namespace

void release_working_state() {
    free_matrix(blue_plane);
    free_matrix(band_map);
    free_matrix(field_im);
    free_matrix(field_re);
    free_matrix(shift_scratch);
    free_vector(line_re);
    free_vector(line_im);
    free_vector(bit_reversal);
    free_vector(sine_table);
}

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

std::vector<std::uint8_t> picture_bytes(TImage* image) {
    TBitmap copy(*image->Picture()->Bitmap());
    copy.SetPixelFormat(TPixelFormat::pf24bit);
    std::vector<std::uint8_t> out;
    for (int y = 0; y < copy.Height(); ++y)
        out.insert(out.end(), copy.ScanLine(y), copy.ScanLine(y) + 3 * copy.Width());
    return out;
}

std::vector<std::uint8_t> sample_blue(Sample sample) {
    const auto bmp = sample_bmp(sample);
    TBitmap bitmap;
    bitmap.LoadFromBmp(bmp.data(), bmp.size());
    bitmap.SetPixelFormat(TPixelFormat::pf24bit);
    std::vector<std::uint8_t> blue(256 * 256);
    for (int y = 0; y < 256; ++y)
        for (int x = 0; x < 256; ++x)
            blue[y * 256 + x] = bitmap.ScanLine(y)[3 * x];
    return blue;
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
