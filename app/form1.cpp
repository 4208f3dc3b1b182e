#include "form1.h"

#include "band.h"
#include "engine.h"
#include "working_state.h"

TForm1* Form1 = nullptr;

int centre_position(int screen_size, int window_size) { return screen_size / 2 - window_size / 2; }

TForm1::TForm1(TComponent* owner) : TForm(owner) {
    load_layout();
    bind_handlers();
    set_hints();
    SetLeft(centre_position(Screen->Width(), Width()));
    SetTop(centre_position(Screen->Height(), Height()));
    start_engine();
    Image1->Picture()->Assign(sample_holder(Sample::Wave)->Picture());
    run_filter();
}

TScrollBar* TForm1::band_slider(int band) const {
    TScrollBar* const sliders[band_count] = {ScrollBar1, ScrollBar2,  ScrollBar3,  ScrollBar4,
                                             ScrollBar5, ScrollBar6,  ScrollBar7,  ScrollBar8,
                                             ScrollBar9, ScrollBar10, ScrollBar11, ScrollBar12};
    return sliders[band];
}

TRadioButton* TForm1::sample_radio(Sample sample) const {
    TRadioButton* const radios[sample_count] = {RadioButton1, RadioButton4, RadioButton6,
                                                RadioButton5, RadioButton7, RadioButton8,
                                                RadioButton9};
    return radios[static_cast<int>(sample)];
}

TImage* TForm1::sample_holder(Sample sample) const {
    TImage* const holders[sample_count] = {Image4, Image5, Image6, Image7, Image8, Image9, Image10};
    return holders[static_cast<int>(sample)];
}

void run_filter() {
    SliderPositions positions{};
    for (int k = 0; k < band_count; ++k)
        positions[k] = Form1->band_slider(k)->Position();
    TBitmap& source = *Form1->Image1->Picture()->Bitmap();
    compute_pictures(source, gains_from_positions(positions),
                     {*Form1->Image2->Canvas(), *Form1->Image3->Canvas()});
}
