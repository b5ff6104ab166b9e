#include "DesktopProgram.h"

#include "Cferix_razazDlg.h"
#include "QtMessagePort.h"
#include "UiSetup.h"

#include "app/Cferix_razazApp.h"
#include "app/ProgramFolderSetup.h"
#include "app/ServerStart.h"
#include "port/MessagePort.h"
#include "port/ProcessSecrets.h"
#include "query/BillPrint.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

namespace {
// The server is not up: said once, with libpq's own words under it after "详细信息：" (in
// plain sight, not behind a switch whose label depends on Qt's translations), and the choice to
// try again once it has been started.
bool AskRetryServer(const ServerStartCheck& check) {
    QMessageBox box(QMessageBox::Critical, QApplication::applicationDisplayName(),
                    QString::fromStdString(check.text), QMessageBox::NoButton,
                    QApplication::activeWindow());
    box.setObjectName("serverNotUpBox");
    box.setInformativeText(QString::fromStdString(ServerStartDetailText(check.detail)));
    // libpq's words are shown as they are, never read as markup.
    if (auto* detail = box.findChild<QLabel*>(QStringLiteral("qt_msgbox_informativelabel")))
        detail->setTextFormat(Qt::PlainText);
    QPushButton* retry = box.addButton(QStringLiteral("重试"), QMessageBox::AcceptRole);
    QPushButton* quit = box.addButton(QStringLiteral("退出"), QMessageBox::RejectRole);
    box.setDefaultButton(retry);
    box.setEscapeButton(quit);
    box.exec();
    return box.clickedButton() == retry;
}
} // namespace

void PrepareDesktopApplication(QApplication& app) {
    QCoreApplication::setOrganizationName(QStringLiteral("ferix_razaz"));
    QCoreApplication::setApplicationName(QStringLiteral("ferix_razaz"));
    SetupApplicationLook(app);
    UseChineseLanguage(app);
}

std::unique_ptr<Cferix_razazDlg> StartDesktopProgram(int* exitCode) {
    *exitCode = 0;
    if (!ProgramFolderExists(ProgramFolder())) {
        const std::string question = "当前文件夹（" + QDir::currentPath().toStdString() +
                                     "）中没有数据文件。\r\n是否在这里创建一个新的程序文件夹？";
        if (!Messages().AskYesNo(question))
            return nullptr;
        std::string error;
        if (!CreateProgramFolder(ProgramFolder(), &error)) {
            Messages().Inform("创建程序文件夹失败：" + error);
            *exitCode = 1;
            return nullptr;
        }
    }
    if (!PrepareServerStart(AskRetryServer)) {
        *exitCode = 1;
        return nullptr;
    }
    // An older folder gets the bill templates made since; one that cannot be written still
    // runs, and a print tells what it lacks.
    WriteMissingBillTemplates(ProgramFolder(), nullptr);
    // Settings failures are reported by the store; start-up goes on with empty settings.
    App().LoadApplicationSettings();

    auto mainWindow = std::make_unique<Cferix_razazDlg>();
    if (!mainWindow->Start())
        return nullptr;
    return mainWindow;
}

int RunDesktopProgram(int& argc, char** argv) {
    // Before anything holds a password: a crash must not write one into a core file.
    DisableCoreDumps();
    // A password or service file that a killed run of either program left behind.
    RemoveLeftSecretFiles(ProgramFolder() / "Temp");
    QApplication app(argc, argv);
    PrepareDesktopApplication(app);
    CQtMessagePort port;
    SetMessagePort(&port);
    int exitCode = 0;
    const std::unique_ptr<Cferix_razazDlg> mainWindow = StartDesktopProgram(&exitCode);
    if (!mainWindow)
        return exitCode;
    return app.exec();
}
