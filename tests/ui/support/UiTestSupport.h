#pragma once
#include "port/MessagePort.h"

#include <QString>

#include <filesystem>
#include <functional>

class QDialog;
class QWidget;

// A fresh program folder (as `ferix-cli init` makes it) made current for one test, with the
// application state reset; the previous directory is restored and the folder removed after.
class CTempProgramFolder {
public:
    explicit CTempProgramFolder(bool init = true);
    ~CTempProgramFolder();
    CTempProgramFolder(const CTempProgramFolder&) = delete;
    CTempProgramFolder& operator=(const CTempProgramFolder&) = delete;
    std::filesystem::path Dir() const { return m_dir; }

private:
    std::filesystem::path m_dir, m_previous;
};

// Style, palette and icons as the program sets them up.
void SetupTestApplication();
// Saves a picture of the widget into $FERIX_SHOTS/<name>.png when FERIX_SHOTS is set.
void SaveShot(QWidget* widget, const QString& name);
// Types `text` into the widget as the user does: ASCII with key clicks, anything else (Chinese)
// committed by the input method, one character at a time.
void TypeText(QWidget* widget, const QString& text);
// Logs in as admin (empty password) without the login window.
void LoginAsAdmin();
// Runs `handle` on the next modal dialog that opens (other than `current`), from inside its
// event loop, so a test can drive a window that its opener shows with exec(). The dialog is
// rejected afterwards if `handle` left it open.
void OnNextModal(std::function<void(QDialog*)> handle, QWidget* current = nullptr);
