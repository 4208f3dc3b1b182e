#include "program.h"

#include <cstdio>
#include <exception>
#include <string>

#include "application.h"
#include "form1.h"

void report_display_trouble(const DisplayTrouble& trouble, const char* program) {
    if (trouble.kind == DisplayTrouble::Kind::Lost) {
        std::fprintf(stderr, "veld: lost the display %s (%s)\n", trouble.display.c_str(),
                     trouble.reason.c_str());
        return;
    }
    const std::string what =
        trouble.display.empty()
            ? "no display found (DISPLAY is not set)"
            : "cannot open the display " + trouble.display + " (" + trouble.reason + ")";
    std::fprintf(stderr, "veld: %s; to run it without one, use Xvfb: xvfb-run -a %s\n",
                 what.c_str(), program);
}

int run_veld(int argc, char** argv) {
    const char* program = argc > 0 ? argv[0] : "veld";
    if (const auto trouble = check_display(argc, argv)) {
        report_display_trouble(*trouble, program);
        return 1;
    }
    Application->OnDisplayTrouble = [program](const DisplayTrouble& trouble) {
        report_display_trouble(trouble, program);
    };
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
