// What each control does. Handlers check nothing themselves: an error ends the handler at the
// failing step and the toolkit shows it.

#include <string>

#include "form1.h"

int down_x = 0;
int down_y = 0;
int move_x = 0;
int move_y = 0;

const char* const closing_message =
    "               VELD Ver. 1.11\n\nBy the VELD developers: a window onto the Fourier spectrum";

namespace {

// Preset positions: a preset's caption is the gain it gives, so the position is 200 - caption.
constexpr int preset_gain_0 = 200;
constexpr int preset_gain_100 = 100;
constexpr int preset_gain_200 = 0;

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
void TForm1::set_group(TScrollBar* first, TScrollBar* second, TScrollBar* third,
                       TScrollBar* fourth, int position) {
    first->SetPosition(position);
    second->SetPosition(position);
    third->SetPosition(position);
    fourth->SetPosition(position);
}

void TForm1::Button9Click(TObject*) { set_group(ScrollBar1, ScrollBar2, ScrollBar3, ScrollBar4, preset_gain_0); }
void TForm1::Button1Click(TObject*) { set_group(ScrollBar1, ScrollBar2, ScrollBar3, ScrollBar4, preset_gain_100); }
void TForm1::Button4Click(TObject*) { set_group(ScrollBar1, ScrollBar2, ScrollBar3, ScrollBar4, preset_gain_200); }
void TForm1::Button8Click(TObject*) { set_group(ScrollBar5, ScrollBar6, ScrollBar7, ScrollBar8, preset_gain_0); }
void TForm1::Button5Click(TObject*) { set_group(ScrollBar5, ScrollBar6, ScrollBar7, ScrollBar8, preset_gain_100); }
void TForm1::Button2Click(TObject*) { set_group(ScrollBar5, ScrollBar6, ScrollBar7, ScrollBar8, preset_gain_200); }
void TForm1::Button7Click(TObject*) { set_group(ScrollBar9, ScrollBar10, ScrollBar11, ScrollBar12, preset_gain_0); }
void TForm1::Button6Click(TObject*) { set_group(ScrollBar9, ScrollBar10, ScrollBar11, ScrollBar12, preset_gain_100); }
void TForm1::Button3Click(TObject*) { set_group(ScrollBar9, ScrollBar10, ScrollBar11, ScrollBar12, preset_gain_200); }

// The copy is a whole picture of Image1's own; converting it later never reaches the holder.
void TForm1::choose_sample(TImage* holder) {
    Image1->Picture()->Assign(holder->Picture());
    run_filter();
}

void TForm1::RadioButton1Click(TObject*) { choose_sample(Image4); }
void TForm1::RadioButton4Click(TObject*) { choose_sample(Image5); }
void TForm1::RadioButton6Click(TObject*) { choose_sample(Image6); }
void TForm1::RadioButton5Click(TObject*) { choose_sample(Image7); }
void TForm1::RadioButton7Click(TObject*) { choose_sample(Image8); }
void TForm1::RadioButton8Click(TObject*) { choose_sample(Image9); }
void TForm1::RadioButton9Click(TObject*) { choose_sample(Image10); }

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
