#pragma once
#include "port/MessagePort.h"

#include <QString>
#include <QStringList>

#include <filesystem>
#include <functional>
#include <source_location>
#include <string>

class QAbstractItemModel;
class QAbstractItemView;
class QDialog;
class QTableView;
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
// As admin, adds the operator `user` (empty password) with the preset `role`, then logs in as it.
void LoginAs(const std::string& user, const std::string& role);
// Runs `handle` on the next modal dialog that opens (other than `current`), from inside its
// event loop, so a test can drive a window that its opener shows with exec(). The dialog is
// rejected afterwards if `handle` left it open.
void OnNextModal(std::function<void(QDialog*)> handle, QWidget* current = nullptr);

// Columns by their header text, so a test names the columns it reads and finds them wherever
// the window puts them. The column of the list or grid whose horizontal header reads `header`
// exactly; when no column or more than one does, the test fails at the caller's line and -1
// comes back.
int ColumnOf(const QAbstractItemModel* model, const QString& header,
             std::source_location where = std::source_location::current());
int ColumnOf(const QAbstractItemView* view, const QString& header,
             std::source_location where = std::source_location::current());
// The width of that column as the view shows it (0 when there is no such column).
int ColumnWidth(const QTableView* view, const QString& header,
                std::source_location where = std::source_location::current());
// The display texts of that column, top to bottom.
QStringList ColumnTexts(const QAbstractItemModel* model, const QString& header,
                        std::source_location where = std::source_location::current());
// The display text of one cell of that column (empty when there is no such column).
QString CellText(const QAbstractItemModel* model, int row, const QString& header,
                 std::source_location where = std::source_location::current());
