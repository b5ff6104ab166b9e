#include "ModalDriver.h"

CModalDriver::CModalDriver() {
    m_previous = SetModalRunnerForTest([this](QDialog& dlg) { return Run(dlg); });
}

CModalDriver::~CModalDriver() {
    SetModalRunnerForTest(std::move(m_previous));
}

int CModalDriver::Run(QDialog& dlg) {
    m_opened << dlg.objectName();
    if (m_steps.empty()) {
        m_problems << "no step for " + dlg.objectName();
        return QDialog::Rejected;
    }
    auto step = std::move(m_steps.front());
    m_steps.pop_front();
    if (!step(dlg))
        m_problems << "unexpected " + dlg.objectName();
    return dlg.result();
}
