#include "SaveFileDialog.h"

#include <QDir>
#include <QFileDialog>

namespace {
std::function<QString(const QString&, const QString&)>& TestAnswer() {
    static std::function<QString(const QString&, const QString&)> answer;
    return answer;
}
} // namespace

QString AskSaveFileName(QWidget* parent, const QString& caption, const QString& suggestedName,
                        const QString& filter, const QString& suffix) {
    if (TestAnswer())
        return TestAnswer()(caption, suggestedName);
    QFileDialog dialog(parent, caption, QDir::home().filePath(suggestedName), filter);
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setDefaultSuffix(suffix);
    // A name typed without a suffix gets the one of the chosen file type ("(*.xlsx)").
    QObject::connect(&dialog, &QFileDialog::filterSelected, &dialog, [&dialog](const QString& f) {
        const int star = f.lastIndexOf(QStringLiteral("*."));
        if (star >= 0)
            dialog.setDefaultSuffix(f.mid(star + 2).chopped(f.endsWith(')') ? 1 : 0));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return QString();
    return dialog.selectedFiles().first();
}

void SetSaveFileNameForTest(std::function<QString(const QString&, const QString&)> answer) {
    TestAnswer() = std::move(answer);
}
