#pragma once

// The whole desktop program, from the application object to the end of its main window: what
// main() runs. Works in the current directory, the program folder.
int RunDesktopProgram(int& argc, char** argv);
