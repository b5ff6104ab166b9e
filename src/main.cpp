// The desktop program: works in the current directory, the program folder.
#include "app/DesktopProgram.h"

int main(int argc, char** argv) {
    return RunDesktopProgram(argc, argv);
}
