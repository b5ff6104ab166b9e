#include "QtMessagePort.h"

#include <QApplication>
#include <QMessageBox>

namespace {
QString DisplayText(const std::string& text) {
    return QString::fromStdString(text).replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}
QWidget* Parent() { return QApplication::activeWindow(); }
QString Caption() { return QApplication::applicationDisplayName(); }
} // namespace

void CQtMessagePort::Inform(const std::string& text) {
    QMessageBox::information(Parent(), Caption(), DisplayText(text));
}

bool CQtMessagePort::AskYesNo(const std::string& text) {
    return QMessageBox::question(Parent(), Caption(), DisplayText(text),
                                 QMessageBox::Yes | QMessageBox::No) == QMessageBox::Yes;
}

bool CQtMessagePort::AskOkCancel(const std::string& text) {
    return QMessageBox::question(Parent(), Caption(), DisplayText(text),
                                 QMessageBox::Ok | QMessageBox::Cancel) == QMessageBox::Ok;
}
