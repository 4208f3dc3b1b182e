#include "window_shot.h"

#include <cstdlib>

#include "application.h"
#include "first_run.h"
#include "form1.h"
#include "working_state.h"

namespace {

void set_checked_quietly(TRadioButton* radio, bool checked) {
    TNotifyEvent handler = std::move(radio->OnClick);
    radio->OnClick = nullptr;
    radio->SetChecked(checked);
    radio->OnClick = std::move(handler);
}

}  // namespace

void drive_to_first_run(TForm1& form, const WindowState& state) {
    if (state.sample) {
        set_checked_quietly(form.sample_radio(*state.sample), true);
    } else {
        // A picture of the user's is none of the samples.
        for (Sample sample : all_samples)
            set_checked_quietly(form.sample_radio(sample), false);
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
        form.Image1->Picture()->Assign(form.sample_holder(*state.sample)->Picture());
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
