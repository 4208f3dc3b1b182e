#pragma once
// The application object, which creates the forms and runs the event loop, and the boxes that
// carry its title (ShowMessage, the standard error box). Relies on component.h and form.h; every
// box goes through the presenter of messages.h, which only application.cpp includes.

#include <exception>
#include <memory>
#include <new>
#include <string>

#include "component.h"
#include "form.h"

// The application's title from an executable path: the file name without its directory, cut at
// its first '.', the first letter upper case and every later letter lower case ("veld" -> "Veld").
std::string title_from_executable(const std::string& path);

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
