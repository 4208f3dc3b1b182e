#pragma once
// The application object, which creates the forms and runs the event loop, and the boxes that
// carry its title (ShowMessage, the standard error box). Relies on component.h and form.h; every
// box goes through the presenter of messages.h, which only application.cpp includes.

#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <optional>
#include <string>

#include "component.h"
#include "form.h"

// The application's title from an executable path: the file name without its directory, cut at
// its first '.', the first letter upper case and every later letter lower case ("veld" -> "Veld").
std::string title_from_executable(const std::string& path);

// What went wrong with the display the windowing engine draws on.
struct DisplayTrouble {
    enum class Kind {
        Unreachable,  // it cannot be opened
        Lost,         // it went away while the program ran
    };
    Kind kind = Kind::Unreachable;
    std::string display;  // its name as the engine was given it (":55"); empty: DISPLAY not set
    std::string reason;   // what happened, in a few words
};

// Opens the X11 display the windowing engine will draw on, before Initialize: the engine itself
// answers a display it cannot open by aborting the process. A display that refuses is tried again
// a few times within about a second; one that opens is held open until Initialize has the
// engine's own connection. The engine's choice of platform is Qt's
// (-platform, else QT_QPA_PLATFORM, else Wayland where the session says so, else X11); only a
// choice of X11 alone is checked here, so offscreen and Wayland are never held up.
std::optional<DisplayTrouble> check_display(int argc, char** argv);

class TApplication : public TComponent {
public:
    TApplication();
    ~TApplication() override;

    // Sets up the windowing engine. argv[0] gives the title.
    void Initialize(int argc, char** argv);
    bool Initialized() const;

    const std::string& Title() const { return title_; }
    void SetTitle(std::string t) { title_ = std::move(t); }

    // Creates a form of class T owned by the application and stores it in ref before T's
    // constructor body runs. If the constructor throws, ref is left empty and the exception goes
    // on.
    template <class T>
    void CreateForm(T*& ref) {
        void* memory = ::operator new(sizeof(T));
        ref = static_cast<T*>(memory);
        try {
            new (memory) T(this);
        } catch (...) {
            ref = nullptr;
            ::operator delete(memory);
            throw;
        }
        adopt_form(ref);
    }

    TForm* MainForm() const { return main_form_; }
    // Shows the main form and dispatches events until it has been closed.
    void Run();
    // Runs pending events once (tests, offscreen rendering).
    void ProcessMessages();

    // The standard error box: the message followed by ".", the title, a stop icon, OK.
    void ShowException(const std::exception& e);
    void ShowException(const std::string& message);

    // Destroys the forms (also the main form) before the engine goes.
    void DestroyForms();

    // Called once when the engine cannot open its display after all (inside Initialize) or loses
    // it while the program runs. The process then ends at once with status 1, standard output
    // flushed: nothing can be drawn any more, and the program keeps no state to save. Unset, a
    // line of the engine's own is written to standard error instead.
    std::function<void(const DisplayTrouble&)> OnDisplayTrouble;

private:
    void adopt_form(TForm* form);
    std::string title_;
    TForm* main_form_ = nullptr;
    struct Engine;
    std::unique_ptr<Engine> engine_;
};

extern TApplication* Application;

// A modal message box with one OK button and the application's title.
void ShowMessage(const std::string& text);
