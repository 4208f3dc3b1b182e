#include "program.h"

int main(int argc, char** argv) { return run_veld(argc, argv); }
