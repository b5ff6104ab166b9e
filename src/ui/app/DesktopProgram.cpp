#include "DesktopProgram.h"

#include "Cferix_razazDlg.h"
#include "QtMessagePort.h"
#include "UiSetup.h"

#include "app/Cferix_razazApp.h"
#include "app/ProgramFolderSetup.h"

#include <QApplication>
#include <QDir>

int RunDesktopProgram(int& argc, char** argv) {
    QApplication app(argc, argv);
    QCoreApplication::setOrganizationName(QStringLiteral("ferix_razaz"));
    QCoreApplication::setApplicationName(QStringLiteral("ferix_razaz"));
    SetupApplicationLook(app);
    CQtMessagePort port;
    SetMessagePort(&port);

    if (!ProgramFolderExists(ProgramFolder())) {
        const std::string question = "当前文件夹（" + QDir::currentPath().toStdString() +
                                     "）中没有数据文件。\r\n是否在这里创建一个新的程序文件夹？";
        if (!Messages().AskYesNo(question))
            return 0;
        std::string error;
        if (!CreateProgramFolder(ProgramFolder(), &error)) {
            Messages().Inform("创建程序文件夹失败：" + error);
            return 1;
        }
    }
    // Settings failures are reported by the store; start-up goes on with empty settings.
    App().LoadApplicationSettings();

    Cferix_razazDlg mainWindow;
    if (!mainWindow.Start())
        return 0;
    return app.exec();
}
