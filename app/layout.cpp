// The stored layout of the main window, as data, and its loading. Loading sets every property
// first; handlers are bound afterwards, so loading runs none of them.

#include <optional>
#include <stdexcept>
#include <string>
#include <variant>

#include "band.h"
#include "form1.h"
#include "samples.h"

namespace {

// Pointers to members read best as the types they are.
// clang-format off
using Slot = std::variant<TPanel* TForm1::*, TImage* TForm1::*, TOpenDialog* TForm1::*,
                          TGroupBox* TForm1::*, TScrollBar* TForm1::*, TButton* TForm1::*,
                          TLabel* TForm1::*, TRadioButton* TForm1::*>;
// clang-format on

struct ControlRow {
    const char* name;
    Slot slot;
    const char* parent;  // nullptr: the form itself
    int left, top, width, height;
    const char* caption = "";
    bool visible = true;
    int tab_order = 0;
    bool checked = false;                         // radio buttons
    std::optional<Sample> sample = std::nullopt;  // hidden holders: the sample picture they hold
};

// Every slider is vertical; its range, start and steps are the band model's (band.h).
constexpr int slider_top = 56, slider_width = 17, slider_height = 97;
constexpr int preset_top = 24, preset_width = 25, preset_height = 17;
constexpr int group_top = 312, group_height = 169;
constexpr int holder_width = 73, holder_height = 57;

// The window's own settings.
constexpr const char* form_caption = "VELD";
constexpr int form_left = 386, form_top = 287;
constexpr int form_outer_width = 808, form_outer_height = 523;
constexpr int client_width = 800, client_height = 489;
constexpr const char* form_face = "ＭＳ Ｐゴシック";
constexpr int form_font_pixels = 12;

// One row per component, in declaration order; a row per line keeps the table readable.
// clang-format off
const ControlRow layout[] = {
    {"Panel1", &TForm1::Panel1, nullptr, 0, 0, 800, 489},
    {"Image1", &TForm1::Image1, "Panel1", 8, 48, 256, 256},
    {"Image2", &TForm1::Image2, "Panel1", 272, 48, 256, 256},
    {"Image3", &TForm1::Image3, "Panel1", 536, 48, 256, 256},
    {"OpenDialog1", &TForm1::OpenDialog1, nullptr, 0, 0, 0, 0},
    {"GroupBox1", &TForm1::GroupBox1, "Panel1", 304, group_top, 137, group_height, "Low", true, 0},
    {"ScrollBar1", &TForm1::ScrollBar1, "GroupBox1", 24, slider_top, slider_width, slider_height, "", true, 0},
    {"ScrollBar2", &TForm1::ScrollBar2, "GroupBox1", 48, slider_top, slider_width, slider_height, "", true, 1},
    {"ScrollBar3", &TForm1::ScrollBar3, "GroupBox1", 72, slider_top, slider_width, slider_height, "", true, 2},
    {"ScrollBar4", &TForm1::ScrollBar4, "GroupBox1", 96, slider_top, slider_width, slider_height, "", true, 3},
    {"Button1", &TForm1::Button1, "GroupBox1", 56, preset_top, preset_width, preset_height, "100", true, 4},
    {"GroupBox2", &TForm1::GroupBox2, "Panel1", 584, group_top, 129, group_height, "High", true, 1},
    {"Button3", &TForm1::Button3, "GroupBox2", 80, preset_top, preset_width, preset_height, "200", true, 0},
    {"ScrollBar12", &TForm1::ScrollBar12, "GroupBox2", 88, slider_top, slider_width, slider_height, "", true, 1},
    {"ScrollBar11", &TForm1::ScrollBar11, "GroupBox2", 64, slider_top, slider_width, slider_height, "", true, 2},
    {"ScrollBar10", &TForm1::ScrollBar10, "GroupBox2", 40, slider_top, slider_width, slider_height, "", true, 3},
    {"ScrollBar9", &TForm1::ScrollBar9, "GroupBox2", 16, slider_top, slider_width, slider_height, "", true, 4},
    {"GroupBox3", &TForm1::GroupBox3, "Panel1", 448, group_top, 129, group_height, "Middle", true, 2},
    {"ScrollBar5", &TForm1::ScrollBar5, "GroupBox3", 16, slider_top, slider_width, slider_height, "", true, 0},
    {"ScrollBar6", &TForm1::ScrollBar6, "GroupBox3", 40, slider_top, slider_width, slider_height, "", true, 1},
    {"ScrollBar7", &TForm1::ScrollBar7, "GroupBox3", 64, slider_top, slider_width, slider_height, "", true, 2},
    {"ScrollBar8", &TForm1::ScrollBar8, "GroupBox3", 88, slider_top, slider_width, slider_height, "", true, 3},
    {"Button2", &TForm1::Button2, "GroupBox3", 80, preset_top, preset_width, preset_height, "200", true, 4},
    {"Button4", &TForm1::Button4, "GroupBox1", 88, preset_top, preset_width, preset_height, "200", true, 5},
    {"Button5", &TForm1::Button5, "GroupBox3", 48, preset_top, preset_width, preset_height, "100", true, 5},
    {"Button6", &TForm1::Button6, "GroupBox2", 48, preset_top, preset_width, preset_height, "100", true, 5},
    {"Button7", &TForm1::Button7, "GroupBox2", 16, preset_top, preset_width, preset_height, "0", true, 6},
    {"Button8", &TForm1::Button8, "GroupBox3", 16, preset_top, preset_width, preset_height, "0", true, 6},
    {"Button9", &TForm1::Button9, "GroupBox1", 24, preset_top, preset_width, preset_height, "0", true, 6},
    {"Image4", &TForm1::Image4, "Panel1", 216, 328, holder_width, holder_height, "", false, 0, false, Sample::Wave},
    {"Image5", &TForm1::Image5, "Panel1", 224, 336, holder_width, holder_height, "", false, 0, false, Sample::Steps},
    {"Image6", &TForm1::Image6, "Panel1", 232, 344, holder_width, holder_height, "", false, 0, false, Sample::Circles1},
    {"Image7", &TForm1::Image7, "Panel1", 240, 352, holder_width, holder_height, "", false, 0, false, Sample::Circles2},
    {"Image8", &TForm1::Image8, "Panel1", 248, 360, holder_width, holder_height, "", false, 0, false, Sample::Jupiter},
    {"Image9", &TForm1::Image9, "Panel1", 256, 368, holder_width, holder_height, "", false, 0, false, Sample::Saturn},
    {"Image10", &TForm1::Image10, "Panel1", 264, 376, holder_width, holder_height, "", false, 0, false, Sample::Moon},
    {"Label2", &TForm1::Label2, "Panel1", 96, 16, 86, 12, "オリジナル画像　"},
    {"Label3", &TForm1::Label3, "Panel1", 376, 16, 76, 12, "周波数画像　　"},
    {"Label4", &TForm1::Label4, "Panel1", 648, 16, 56, 12, "出力画像　"},
    {"Label5", &TForm1::Label5, "Panel1", 456, 8, 33, 12, "Label5", false},
    {"Label6", &TForm1::Label6, "Panel1", 456, 24, 33, 12, "Label6", false},
    {"GroupBox4", &TForm1::GroupBox4, "Panel1", 32, group_top, 177, group_height, "画像", true, 3},
    {"RadioButton1", &TForm1::RadioButton1, "GroupBox4", 16, 32, 65, 17, "Wave", true, 0, true},
    {"RadioButton4", &TForm1::RadioButton4, "GroupBox4", 80, 56, 65, 17, "Steps", true, 1},
    {"RadioButton5", &TForm1::RadioButton5, "GroupBox4", 80, 32, 73, 17, "Circles2", true, 2},
    {"RadioButton6", &TForm1::RadioButton6, "GroupBox4", 16, 56, 65, 17, "Circles1", true, 3},
    {"RadioButton7", &TForm1::RadioButton7, "GroupBox4", 16, 80, 57, 17, "Jupiter", true, 4},
    {"RadioButton8", &TForm1::RadioButton8, "GroupBox4", 16, 104, 57, 17, "Saturn", true, 5},
    {"RadioButton9", &TForm1::RadioButton9, "GroupBox4", 16, 128, 65, 17, "Moon", true, 6},
};
// clang-format on

template <class T>
void apply_kind(T&, const ControlRow&) {}

void apply_kind(TScrollBar& bar, const ControlRow&) {
    bar.SetKind(TScrollBarKind::sbVertical);
    bar.SetRange(slider_min, slider_max);
    bar.SetSmallChange(slider_small_change);
    bar.SetLargeChange(slider_large_change);
    bar.SetPageSize(0);
    bar.SetPosition(slider_start);  // no handler is bound yet
}

void apply_kind(TRadioButton& radio, const ControlRow& row) {
    if (row.checked)
        radio.SetChecked(true);
}

void apply_kind(TImage& image, const ControlRow& row) {
    if (!row.sample)
        return;
    const auto bmp = sample_bmp(*row.sample);
    image.Picture()->Bitmap()->LoadFromBmp(bmp.data(), bmp.size());
}

// Handlers by control name. Scroll bars bind their change event, everything else its click.
struct NotifyBinding {
    const char* control;
    void (TForm1::*handler)(TObject*);
};

// clang-format off
const NotifyBinding notify_bindings[] = {
    {"ScrollBar1", &TForm1::ScrollBar1Change},   {"ScrollBar2", &TForm1::ScrollBar2Change},
    {"ScrollBar3", &TForm1::ScrollBar3Change},   {"ScrollBar4", &TForm1::ScrollBar4Change},
    {"ScrollBar5", &TForm1::ScrollBar5Change},   {"ScrollBar6", &TForm1::ScrollBar6Change},
    {"ScrollBar7", &TForm1::ScrollBar7Change},   {"ScrollBar8", &TForm1::ScrollBar8Change},
    {"ScrollBar9", &TForm1::ScrollBar9Change},   {"ScrollBar10", &TForm1::ScrollBar10Change},
    {"ScrollBar11", &TForm1::ScrollBar11Change}, {"ScrollBar12", &TForm1::ScrollBar12Change},
    {"Button1", &TForm1::Button1Click},          {"Button2", &TForm1::Button2Click},
    {"Button3", &TForm1::Button3Click},          {"Button4", &TForm1::Button4Click},
    {"Button5", &TForm1::Button5Click},          {"Button6", &TForm1::Button6Click},
    {"Button7", &TForm1::Button7Click},          {"Button8", &TForm1::Button8Click},
    {"Button9", &TForm1::Button9Click},          {"RadioButton1", &TForm1::RadioButton1Click},
    {"RadioButton4", &TForm1::RadioButton4Click}, {"RadioButton5", &TForm1::RadioButton5Click},
    {"RadioButton6", &TForm1::RadioButton6Click}, {"RadioButton7", &TForm1::RadioButton7Click},
    {"RadioButton8", &TForm1::RadioButton8Click}, {"RadioButton9", &TForm1::RadioButton9Click},
    {"Image2", &TForm1::Image2Click},
};
// clang-format on

}  // namespace

void TForm1::load_layout() {
    SetName("Form1");
    SetCaption(form_caption);
    SetFont(form_face, form_font_pixels);
    SetClientSize(client_width, client_height);
    SetBounds(form_left, form_top, form_outer_width, form_outer_height);
    for (const ControlRow& row : layout) {
        std::visit(
            [&](auto member) {
                using T = std::remove_pointer_t<std::remove_reference_t<decltype(this->*member)>>;
                T* component = new T(this);
                component->SetName(row.name);
                this->*member = component;
                if constexpr (std::is_base_of_v<TControl, T>) {
                    TControl* parent = this;
                    if (row.parent) {
                        parent = dynamic_cast<TControl*>(FindComponent(row.parent));
                        if (!parent)
                            throw std::logic_error(std::string("layout: no parent ") + row.parent);
                    }
                    component->SetBounds(row.left, row.top, row.width, row.height);
                    component->SetParent(parent);
                    if (*row.caption)
                        component->SetCaption(row.caption);
                    component->SetBounds(row.left, row.top, row.width, row.height);
                    component->SetTabOrder(row.tab_order);
                    component->SetVisible(row.visible);
                    apply_kind(*component, row);
                }
            },
            row.slot);
    }
    ApplyTabOrder();
}

void TForm1::bind_handlers() {
    OnClose = [this](TObject* sender, TCloseAction& action) { FormClose(sender, action); };
    for (const NotifyBinding& b : notify_bindings) {
        TComponent* c = FindComponent(b.control);
        const auto handler = b.handler;
        TNotifyEvent event = [this, handler](TObject* sender) { (this->*handler)(sender); };
        if (auto* bar = dynamic_cast<TScrollBar*>(c))
            bar->OnChange = event;
        else if (auto* button = dynamic_cast<TButton*>(c))
            button->OnClick = event;
        else if (auto* radio = dynamic_cast<TRadioButton*>(c))
            radio->OnClick = event;
        else if (auto* image = dynamic_cast<TImage*>(c))
            image->OnClick = event;
        else
            throw std::logic_error(std::string("layout: cannot bind ") + b.control);
    }
    Image2->OnMouseDown = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        Image2MouseDown(s, b, sh, x, y);
    };
    Image2->OnMouseMove = [this](TObject* s, TShiftState sh, int x, int y) {
        Image2MouseMove(s, sh, x, y);
    };
    Image2->OnMouseUp = [this](TObject* s, TMouseButton b, TShiftState sh, int x, int y) {
        Image2MouseUp(s, b, sh, x, y);
    };
}
