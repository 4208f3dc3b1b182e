#pragma once
// The main window.

#include "application.h"
#include "controls.h"
#include "samples.h"

class TForm1 : public TForm {
public:
    explicit TForm1(TComponent* owner);

    // The components of the layout, in the layout's declaration order.
    TPanel* Panel1 = nullptr;
    TImage* Image1 = nullptr;
    TImage* Image2 = nullptr;
    TImage* Image3 = nullptr;
    TOpenDialog* OpenDialog1 = nullptr;
    TGroupBox* GroupBox1 = nullptr;
    TScrollBar* ScrollBar1 = nullptr;
    TScrollBar* ScrollBar2 = nullptr;
    TScrollBar* ScrollBar3 = nullptr;
    TScrollBar* ScrollBar4 = nullptr;
    TButton* Button1 = nullptr;
    TGroupBox* GroupBox2 = nullptr;
    TButton* Button3 = nullptr;
    TScrollBar* ScrollBar12 = nullptr;
    TScrollBar* ScrollBar11 = nullptr;
    TScrollBar* ScrollBar10 = nullptr;
    TScrollBar* ScrollBar9 = nullptr;
    TGroupBox* GroupBox3 = nullptr;
    TScrollBar* ScrollBar5 = nullptr;
    TScrollBar* ScrollBar6 = nullptr;
    TScrollBar* ScrollBar7 = nullptr;
    TScrollBar* ScrollBar8 = nullptr;
    TButton* Button2 = nullptr;
    TButton* Button4 = nullptr;
    TButton* Button5 = nullptr;
    TButton* Button6 = nullptr;
    TButton* Button7 = nullptr;
    TButton* Button8 = nullptr;
    TButton* Button9 = nullptr;
    TImage* Image4 = nullptr;
    TImage* Image5 = nullptr;
    TImage* Image6 = nullptr;
    TImage* Image7 = nullptr;
    TImage* Image8 = nullptr;
    TImage* Image9 = nullptr;
    TImage* Image10 = nullptr;
    TLabel* Label2 = nullptr;
    TLabel* Label3 = nullptr;
    TLabel* Label4 = nullptr;
    TLabel* Label5 = nullptr;
    TLabel* Label6 = nullptr;
    TGroupBox* GroupBox4 = nullptr;
    TRadioButton* RadioButton1 = nullptr;
    TRadioButton* RadioButton4 = nullptr;
    TRadioButton* RadioButton5 = nullptr;
    TRadioButton* RadioButton6 = nullptr;
    TRadioButton* RadioButton7 = nullptr;
    TRadioButton* RadioButton8 = nullptr;
    TRadioButton* RadioButton9 = nullptr;

    // Event handlers.
    void FormClose(TObject* Sender, TCloseAction& Action);
    void ScrollBar1Change(TObject* Sender);
    void ScrollBar2Change(TObject* Sender);
    void ScrollBar3Change(TObject* Sender);
    void ScrollBar4Change(TObject* Sender);
    void ScrollBar5Change(TObject* Sender);
    void ScrollBar6Change(TObject* Sender);
    void ScrollBar7Change(TObject* Sender);
    void ScrollBar8Change(TObject* Sender);
    void ScrollBar9Change(TObject* Sender);
    void ScrollBar10Change(TObject* Sender);
    void ScrollBar11Change(TObject* Sender);
    void ScrollBar12Change(TObject* Sender);
    void Button1Click(TObject* Sender);
    void Button2Click(TObject* Sender);
    void Button3Click(TObject* Sender);
    void Button4Click(TObject* Sender);
    void Button5Click(TObject* Sender);
    void Button6Click(TObject* Sender);
    void Button7Click(TObject* Sender);
    void Button8Click(TObject* Sender);
    void Button9Click(TObject* Sender);
    void RadioButton1Click(TObject* Sender);
    void RadioButton4Click(TObject* Sender);
    void RadioButton5Click(TObject* Sender);
    void RadioButton6Click(TObject* Sender);
    void RadioButton7Click(TObject* Sender);
    void RadioButton8Click(TObject* Sender);
    void RadioButton9Click(TObject* Sender);
    void Image2Click(TObject* Sender);
    void Image2MouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
    void Image2MouseMove(TObject* Sender, TShiftState Shift, int X, int Y);
    void Image2MouseUp(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);

    // The slider of band b (0 ... 11): ScrollBar1 ... ScrollBar12.
    TScrollBar* band_slider(int band) const;
    // The radio button that chooses a sample, and the hidden holder of its picture (Image4 ...
    // Image10 in the order of the samples).
    TRadioButton* sample_radio(Sample sample) const;
    TImage* sample_holder(Sample sample) const;

private:
    void load_layout();
    void bind_handlers();
    // The tooltips of the controls (hints.cpp).
    void set_hints();
    // Sets the four sliders of the group whose first band is first_band to the gain.
    void set_group(int first_band, int gain);
    void choose_sample(Sample sample);
};

extern TForm1* Form1;

// Pointer probe globals: the last press and the last movement on Image2.
extern int down_x;
extern int down_y;
extern int move_x;
extern int move_y;

// Window centring: each size halved on its own, truncating, then subtracted.
int centre_position(int screen_size, int window_size);

// The closing message of the window.
extern const char* const closing_message;

// One filter run over the window: reads Image1's picture and the twelve slider positions once,
// and hands them to the engine's run, which draws into Image2 and Image3.
void run_filter();
