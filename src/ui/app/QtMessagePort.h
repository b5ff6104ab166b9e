#pragma once
#include "port/MessagePort.h"

class QWidget;

// Shows the program's messages and questions with QMessageBox.
class CQtMessagePort : public IMessagePort {
public:
    void Inform(const std::string& text) override;
    bool AskYesNo(const std::string& text) override;
    bool AskOkCancel(const std::string& text) override;
    // A dialog with a password field (typing shown as dots), OK and Cancel.
    std::optional<std::string> AskSecret(const std::string& text) override;
};
