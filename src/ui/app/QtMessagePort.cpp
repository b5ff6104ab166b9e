#include "QtMessagePort.h"

#include "port/MessageKind.h"

#include <QApplication>
#include <QGridLayout>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QSpacerItem>

namespace {
QString DisplayText(const std::string& text) {
    return QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}
QWidget* Parent() {
    return QApplication::activeWindow();
}
QString Caption() {
    return QApplication::applicationDisplayName();
}

// A box at least as wide as its title, so the title bar shows it whole.
int Show(QMessageBox::Icon icon, const std::string& text, QMessageBox::StandardButtons buttons,
         QMessageBox::StandardButton byDefault) {
    QMessageBox box(icon, Caption(), DisplayText(text), buttons, Parent());
    box.setDefaultButton(byDefault);
    const int titleWidth = box.fontMetrics().horizontalAdvance(Caption()) + 160;
    if (auto* grid = qobject_cast<QGridLayout*>(box.layout()))
        grid->addItem(new QSpacerItem(titleWidth, 0, QSizePolicy::Minimum, QSizePolicy::Fixed),
                      grid->rowCount(), 0, 1, grid->columnCount());
    return box.exec();
}
} // namespace

void CQtMessagePort::Inform(const std::string& text) {
    Show(IsErrorMessage(text) ? QMessageBox::Critical : QMessageBox::Information, text,
         QMessageBox::Ok, QMessageBox::Ok);
}

bool CQtMessagePort::AskYesNo(const std::string& text) {
    return Show(QMessageBox::Question, text, QMessageBox::Yes | QMessageBox::No,
                QMessageBox::Yes) == QMessageBox::Yes;
}

bool CQtMessagePort::AskOkCancel(const std::string& text) {
    return Show(QMessageBox::Question, text, QMessageBox::Ok | QMessageBox::Cancel,
                QMessageBox::Ok) == QMessageBox::Ok;
}

std::optional<std::string> CQtMessagePort::AskSecret(const std::string& text) {
    QInputDialog dialog(Parent());
    dialog.setObjectName(QStringLiteral("secretDialog"));
    dialog.setWindowTitle(Caption());
    dialog.setLabelText(DisplayText(text));
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setTextEchoMode(QLineEdit::Password);
    dialog.setOkButtonText(QStringLiteral("确定"));
    dialog.setCancelButtonText(QStringLiteral("取消"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return dialog.textValue().toStdString();
}
