#include "form1.h"

#include <string>

#include "band.h"
#include "buffers.h"
#include "exceptions.h"
#include "numeric.h"
#include "run.h"
#include "state.h"
#include "tables.h"
#include "working_state.h"

TForm1* Form1 = nullptr;

int centre_position(int screen_size, int window_size) { return screen_size / 2 - window_size / 2; }

TForm1::TForm1(TComponent* owner) : TForm(owner) {
    load_layout();
    bind_handlers();
    SetLeft(centre_position(Screen->Width(), Width()));
    SetTop(centre_position(Screen->Height(), Height()));
    allocate_working_state();
    Image1->Picture()->Assign(Image4->Picture());
    startup_computations();
}

void startup_computations() {
    build_sine_table(image_size, &sine_table);
    build_bit_reversal(image_size, &bit_reversal);
    build_band_map();
    run_filter();
}

TScrollBar* TForm1::band_slider(int band) const {
    TScrollBar* const sliders[band_count] = {ScrollBar1, ScrollBar2,  ScrollBar3,  ScrollBar4,
                                             ScrollBar5, ScrollBar6,  ScrollBar7,  ScrollBar8,
                                             ScrollBar9, ScrollBar10, ScrollBar11, ScrollBar12};
    return sliders[band];
}

namespace {

SliderPositions slider_positions() {
    SliderPositions positions{};
    for (int k = 0; k < band_count; ++k)
        positions[k] = Form1->band_slider(k)->Position();
    return positions;
}

}  // namespace

void apply_band_gains() {
    scale_by_bands(gains_from_positions(slider_positions()), field_re, field_im);
}

void run_filter() {
    FilterSurfaces surfaces;
    surfaces.source = Form1->Image1->Picture()->Bitmap();
    // The gains of the sliders' positions, multiplied in by the run as apply_band_gains would.
    surfaces.band_gains = [] { return gains_from_positions(slider_positions()); };
    surfaces.spectrum_canvas = [] { return Form1->Image2->Canvas(); };
    surfaces.output_canvas = [] { return Form1->Image3->Canvas(); };
    filter_run(surfaces);
}
