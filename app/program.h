#pragma once
// Program entry of the window: initialise the application object, create Form1, run the event
// loop. Returns 0 once the window has been closed, 1 if it could not be started.

bool display_available();
int run_veld(int argc, char** argv);
