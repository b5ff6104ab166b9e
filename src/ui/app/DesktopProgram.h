#pragma once
#include <memory>

class QApplication;
class Cferix_razazDlg;

// The whole desktop program, from the application object to the end of its main window: what
// main() runs. Works in the current directory, the program folder.
int RunDesktopProgram(int& argc, char** argv);

// What the program sets on its application object before any window opens: its names, its
// look and its language.
void PrepareDesktopApplication(QApplication& app);

// From the check of the program folder to the main window shown after the login, with the
// messages going to the message port in use. Null when the program ends here (folder not
// created, login cancelled); *exitCode then holds the program's exit status.
std::unique_ptr<Cferix_razazDlg> StartDesktopProgram(int* exitCode);
