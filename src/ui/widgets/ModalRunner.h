#pragma once
#include <functional>

class QDialog;

// Runs a working window modally and answers its result. Every window that opens another one
// goes through here, so tests can drive nested windows without a real event loop.
int RunModal(QDialog& dlg);

// Test seam: when set, RunModal calls this instead of exec(). Returns the previous runner.
using ModalRunner = std::function<int(QDialog&)>;
ModalRunner SetModalRunnerForTest(ModalRunner runner);
