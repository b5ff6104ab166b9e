#include "UiTestSupport.h"

#include "app/Cferix_razazApp.h"
#include "app/ProgramFolderSetup.h"
#include "app/UiSetup.h"
#include "store/CDataStore.h"

#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QInputMethodEvent>
#include <QPixmap>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <cstdlib>
#include <stdexcept>
#include <unistd.h>

CTempProgramFolder::CTempProgramFolder(bool init) {
    m_previous = std::filesystem::current_path();
    std::string tmpl = (std::filesystem::temp_directory_path() / "ferix-ui-XXXXXX").string();
    if (!mkdtemp(tmpl.data()))
        throw std::runtime_error("mkdtemp failed");
    m_dir = tmpl;
    std::filesystem::current_path(m_dir);
    App().ResetForTest();
    std::string error;
    if (init && !CreateProgramFolder(m_dir, &error))
        throw std::runtime_error(error);
}

CTempProgramFolder::~CTempProgramFolder() {
    App().ResetForTest();
    std::error_code ec;
    std::filesystem::current_path(m_previous, ec);
    std::filesystem::remove_all(m_dir, ec);
}

void SetupTestApplication() {
    if (auto* app = qobject_cast<QApplication*>(QCoreApplication::instance()))
        SetupApplicationLook(*app);
}

void SaveShot(QWidget* widget, const QString& name) {
    const char* dir = std::getenv("FERIX_SHOTS");
    if (!dir || !*dir)
        return;
    QDir().mkpath(QString::fromLocal8Bit(dir));
    widget->grab().save(QString::fromLocal8Bit(dir) + "/" + name + ".png");
}

void LoginAsAdmin() {
    CDataStore store;
    if (!store.ConnectOther() || !store.CheckLogin("admin", ""))
        throw std::runtime_error("admin login failed");
}

void OnNextModal(std::function<void(QDialog*)> handle, QWidget* current) {
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, handle, current] {
        auto* dlg = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dlg || dlg == current || !dlg->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        handle(dlg);
        // A failed check inside `handle` must not leave the test waiting on an open window.
        if (dlg->isVisible())
            dlg->reject();
    });
    timer->start();
}

void TypeText(QWidget* widget, const QString& text) {
    for (QChar c : text) {
        if (c.unicode() < 0x80) {
            QTest::keyClick(widget, c.toLatin1());
            continue;
        }
        QInputMethodEvent commit;
        commit.setCommitString(QString(c));
        QCoreApplication::sendEvent(widget, &commit);
    }
}
