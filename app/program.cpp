#include "program.h"

#include <cstdio>
#include <cstdlib>
#include <exception>

#include "application.h"
#include "form1.h"

bool display_available() {
    for (const char* name : {"QT_QPA_PLATFORM", "DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value && *value)
            return true;
    }
    return false;
}

int run_veld(int argc, char** argv) {
    if (!display_available()) {
        std::fprintf(stderr,
                     "veld: no display found (DISPLAY is not set); to run it without one, use "
                     "Xvfb: xvfb-run -a %s\n",
                     argc > 0 ? argv[0] : "veld");
        return 1;
    }
    try {
        Application->Initialize(argc, argv);
        Application->CreateForm(Form1);
        Application->Run();
    } catch (const std::exception& e) {
        // A window that could not be built is never shown, and a failed start is no success.
        Application->ShowException(e);
        return 1;
    }
    return 0;
}
