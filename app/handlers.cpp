// What each control does. Handlers check nothing themselves: an error ends the handler at the
// failing step and the toolkit shows it.

#include <string>

#include "band.h"
#include "form1.h"

int down_x = 0;
int down_y = 0;
int move_x = 0;
int move_y = 0;

const char* const closing_message =
    "               VELD Ver. 1.11\n\nBy the VELD developers: a window onto the Fourier spectrum";

namespace {

std::string pair_text(int x, int y) { return std::to_string(x) + " , " + std::to_string(y); }

}  // namespace

void TForm1::ScrollBar1Change(TObject*) { run_filter(); }
void TForm1::ScrollBar2Change(TObject*) { run_filter(); }
void TForm1::ScrollBar3Change(TObject*) { run_filter(); }
void TForm1::ScrollBar4Change(TObject*) { run_filter(); }
void TForm1::ScrollBar5Change(TObject*) { run_filter(); }
void TForm1::ScrollBar6Change(TObject*) { run_filter(); }
void TForm1::ScrollBar7Change(TObject*) { run_filter(); }
void TForm1::ScrollBar8Change(TObject*) { run_filter(); }
void TForm1::ScrollBar9Change(TObject*) { run_filter(); }
void TForm1::ScrollBar10Change(TObject*) { run_filter(); }
void TForm1::ScrollBar11Change(TObject*) { run_filter(); }
void TForm1::ScrollBar12Change(TObject*) { run_filter(); }

// Each slider that really moves runs the filter from inside SetPosition, before the next one is
// set; a failing run ends the preset there.
void TForm1::set_group(int first_band, int gain) {
    for (int band = first_band; band < first_band + bands_per_group; ++band)
        band_slider(band)->SetPosition(position_of_gain(gain));
}

namespace {

// The first band of each group: Low, Middle, High.
constexpr int low_group = 0;
constexpr int middle_group = bands_per_group;
constexpr int high_group = 2 * bands_per_group;

}  // namespace

void TForm1::Button9Click(TObject*) { set_group(low_group, preset_gains[0]); }
void TForm1::Button1Click(TObject*) { set_group(low_group, preset_gains[1]); }
void TForm1::Button4Click(TObject*) { set_group(low_group, preset_gains[2]); }
void TForm1::Button8Click(TObject*) { set_group(middle_group, preset_gains[0]); }
void TForm1::Button5Click(TObject*) { set_group(middle_group, preset_gains[1]); }
void TForm1::Button2Click(TObject*) { set_group(middle_group, preset_gains[2]); }
void TForm1::Button7Click(TObject*) { set_group(high_group, preset_gains[0]); }
void TForm1::Button6Click(TObject*) { set_group(high_group, preset_gains[1]); }
void TForm1::Button3Click(TObject*) { set_group(high_group, preset_gains[2]); }

// The copy is a whole picture of Image1's own; converting it later never reaches the holder.
void TForm1::choose_sample(Sample sample) {
    Image1->Picture()->Assign(sample_holder(sample)->Picture());
    run_filter();
}

void TForm1::RadioButton1Click(TObject*) { choose_sample(Sample::Wave); }
void TForm1::RadioButton4Click(TObject*) { choose_sample(Sample::Steps); }
void TForm1::RadioButton6Click(TObject*) { choose_sample(Sample::Circles1); }
void TForm1::RadioButton5Click(TObject*) { choose_sample(Sample::Circles2); }
void TForm1::RadioButton7Click(TObject*) { choose_sample(Sample::Jupiter); }
void TForm1::RadioButton8Click(TObject*) { choose_sample(Sample::Saturn); }
void TForm1::RadioButton9Click(TObject*) { choose_sample(Sample::Moon); }

void TForm1::Image2MouseDown(TObject*, TMouseButton, TShiftState, int X, int Y) {
    down_x = X;
    down_y = Y;
}

void TForm1::Image2MouseMove(TObject*, TShiftState, int X, int Y) {
    move_x = X;
    move_y = Y;
}

void TForm1::Image2Click(TObject*) { Label5->SetCaption(pair_text(down_x, down_y)); }

void TForm1::Image2MouseUp(TObject*, TMouseButton, TShiftState, int, int) {
    Label6->SetCaption(pair_text(move_x, move_y));
}

void TForm1::FormClose(TObject*, TCloseAction&) { ShowMessage(closing_message); }
