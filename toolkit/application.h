#pragma once
// The application object, the guarded dispatch of user events and the modal message boxes.

#include <exception>
#include <functional>
#include <memory>
#include <new>
#include <string>

#include "controls.h"

enum class MessageIcon { None, Information, Stop };

struct MessageRequest {
    std::string title;
    std::string text;
    MessageIcon icon = MessageIcon::None;
};

// Every modal box goes through one presenter. The default shows a Qt message box with one OK
// button; tests replace it so that nothing ever blocks on a dialog.
using MessagePresenter = std::function<void(const MessageRequest&)>;
MessagePresenter set_message_presenter(MessagePresenter presenter);  // returns the previous one
void present_message(const MessageRequest& request);

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
    // constructor body runs. If the constructor throws, ref is left empty and the exception goes on.
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

// Runs a handler for an event that came from the user: any exception is shown in the standard
// error box and goes no further.
void guarded_dispatch(const std::function<void()>& handler) noexcept;
