// Test entry for programs that drive real widgets: the application object runs offscreen and
// every modal box goes to a recorder instead of the screen.

#include <gtest/gtest.h>

#include <cstdlib>

#include "application.h"
#include "presenter_recorder.h"

std::vector<MessageRequest>& recorded_messages() {
    static std::vector<MessageRequest> messages;
    return messages;
}

int main(int argc, char** argv) {
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    static char name[] = "veld";
    static char* args[] = {name, nullptr};
    Application->Initialize(1, args);
    set_message_presenter([](const MessageRequest& r) { recorded_messages().push_back(r); });
    const int result = RUN_ALL_TESTS();
    Application->DestroyForms();
    return result;
}
