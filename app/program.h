#pragma once
// Program entry of the window: check that there is a display, initialise the application object,
// create Form1, run the event loop. Returns 0 once the window has been closed, 1 if it could not
// be started; a display lost while the window is open ends the program with status 1.

#include "application.h"

// The one line on standard error for a display that cannot be opened (with the way to run
// without one) or that was lost; `program` is the name the program was started by.
void report_display_trouble(const DisplayTrouble& trouble, const char* program);
int run_veld(int argc, char** argv);
