#include "window_shot.h"

#include <cstdlib>

#include "application.h"
#include "first_run.h"
#include "working_state.h"
#include "form1.h"

namespace {

TRadioButton* radio_of(TForm1& form, Sample sample) {
    for (TRadioButton* radio : {form.RadioButton1, form.RadioButton4, form.RadioButton5, form.RadioButton6,
                                form.RadioButton7, form.RadioButton8, form.RadioButton9})
        if (radio->Caption() == sample_caption(sample))
            return radio;
    return nullptr;
}

// The hidden holders Image4 ... Image10 carry the samples in their order.
TImage* holder_of(TForm1& form, Sample sample) {
    TImage* const holders[sample_count] = {form.Image4, form.Image5, form.Image6, form.Image7,
                                           form.Image8, form.Image9, form.Image10};
    return holders[static_cast<int>(sample)];
}

void set_checked_quietly(TRadioButton* radio, bool checked) {
    TNotifyEvent handler = std::move(radio->OnClick);
    radio->OnClick = nullptr;
    radio->SetChecked(checked);
    radio->OnClick = std::move(handler);
}

}  // namespace

void drive_to_first_run(TForm1& form, const WindowState& state) {
    TRadioButton* const radios[] = {form.RadioButton1, form.RadioButton4, form.RadioButton5,
                                    form.RadioButton6, form.RadioButton7, form.RadioButton8,
                                    form.RadioButton9};
    if (state.sample) {
        set_checked_quietly(radio_of(form, *state.sample), true);
    } else {
        // A picture of the user's is none of the samples.
        for (TRadioButton* radio : radios)
            set_checked_quietly(radio, false);
    }
    for (int k = 0; k < band_count; ++k) {
        TScrollBar* bar = form.band_slider(k);
        TNotifyEvent handler = std::move(bar->OnChange);
        bar->OnChange = nullptr;
        bar->SetPosition(state.positions[k]);
        bar->OnChange = std::move(handler);
    }
    clear_imaginary_field();
    if (state.sample)
        form.Image1->Picture()->Assign(holder_of(form, *state.sample)->Picture());
    else
        form.Image1->Picture()->AssignBitmap(state.source);
    run_filter();
}

void initialise_offscreen_application(const char* program) {
    if (Application->Initialized())
        return;
    const char* platform = std::getenv("QT_QPA_PLATFORM");
    if (!platform || !*platform)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    static char* argv[] = {const_cast<char*>(program), nullptr};
    Application->Initialize(1, argv);
}

bool render_window(const WindowState& state, const std::string& path) {
    struct Cleanup {
        ~Cleanup() {
            Application->DestroyForms();
            Form1 = nullptr;
            release_working_state();
        }
    } cleanup;
    release_working_state();
    Application->CreateForm(Form1);
    drive_to_first_run(*Form1, state);
    Application->ProcessMessages();
    return Form1->SaveScreenshot(path);
}
