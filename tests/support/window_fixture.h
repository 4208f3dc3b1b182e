#pragma once
// Opening the real main window in a test, as the program does, on fresh working state.

#include <array>
#include <cstdint>
#include <functional>
#include <vector>

#include <QRect>
#include <QStyle>

class QScrollBar;

#include "form1.h"
#include "samples.h"
#include "working_state.h"

// Creates Form1 through the application object; the previous window, if any, is destroyed.
TForm1* open_window();
void close_window();

// The pixels of a picture as 24-bit bytes, top-down, blue-green-red.
std::vector<std::uint8_t> picture_bytes(TImage* image);
// The blue byte of every pixel of a picture as 24 bits, [y * width + x].
std::vector<std::uint8_t> picture_blue(TImage* image);
// The blue byte of every pixel of a sample, [y * 256 + x].
std::vector<std::uint8_t> sample_blue(Sample sample);

// Counts filter runs through what a run visibly does: it draws the output picture into Image3
// exactly once (a failed run draws nothing there). `on_run` sees the window at that moment.
class RunObserver {
public:
    explicit RunObserver(TForm1* form, std::function<void()> on_run = {});
    ~RunObserver();
    int runs() const { return runs_; }

private:
    TForm1* form_;
    std::function<void()> previous_;
    int runs_ = 0;
};

std::array<int, 12> slider_positions(TForm1* form);
// The seven radio buttons that choose a sample, RadioButton1 and RadioButton4 ... 9.
std::array<TRadioButton*, 7> sample_radios(TForm1* form);

// The box of a run that meets the zero maximum, in the runtime's words.
inline constexpr const char* zero_maximum_text = "0 による浮動小数点数除算.";

// Where a part of a scroll bar (arrow, track above or below the thumb, thumb) lies, in the
// bar's own coordinates, under the bar's style and position now.
QRect scroll_part(QScrollBar* bar, QStyle::SubControl part);
