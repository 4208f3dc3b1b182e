#pragma once
// The modal message boxes: what a box shows, and the one presenter every box goes through.
// Relies on the standard library only; the default presenter's Qt box stays in messages.cpp.
// The boxes that carry the application's title (ShowMessage, the standard error box) are the
// application object's (application.h).

#include <functional>
#include <string>

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
