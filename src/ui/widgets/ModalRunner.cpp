#include "ModalRunner.h"

#include <QDialog>

namespace {
ModalRunner& TestRunner() {
    static ModalRunner runner;
    return runner;
}
} // namespace

int RunModal(QDialog& dlg) {
    if (TestRunner())
        return TestRunner()(dlg);
    return dlg.exec();
}

ModalRunner SetModalRunnerForTest(ModalRunner runner) {
    ModalRunner previous = std::move(TestRunner());
    TestRunner() = std::move(runner);
    return previous;
}
