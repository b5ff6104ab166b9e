#include "UiTestSupport.h"

#include "admin/RoleAdmin.h"
#include "admin/UserAdmin.h"
#include "app/Cferix_razazApp.h"
#include "app/ProgramFolderSetup.h"
#include "app/UiSetup.h"
#include "store/CDataStore.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QDialog>
#include <QDir>
#include <QInputMethodEvent>
#include <QPixmap>
#include <QTableView>
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
    // Every entry point asks the operator's role: the folder's first operator, 管理员, acts.
    if (init)
        LoginAsAdmin();
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

void LoginAs(const std::string& user, const std::string& role) {
    LoginAsAdmin();
    if (AddOperator(user, "", "") != AdminResult::Done ||
        SetOperatorRole(user, role) != AdminResult::Done)
        throw std::runtime_error("operator " + user + " not added");
    CDataStore store;
    if (!store.ConnectOther() || !store.CheckLogin(user, ""))
        throw std::runtime_error(user + " login failed");
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

int ColumnOf(const QAbstractItemModel* model, const QString& header, std::source_location where) {
    int found = -1;
    int count = 0;
    for (int c = 0; model && c < model->columnCount(); ++c) {
        if (model->headerData(c, Qt::Horizontal, Qt::DisplayRole).toString() == header) {
            if (found < 0)
                found = c;
            ++count;
        }
    }
    if (count == 1)
        return found;
    const QString message = count == 0 ? "no column headed \"" + header + "\""
                                       : QString("%1 columns headed \"%2\"").arg(count).arg(header);
    QTest::qFail(qPrintable(message), where.file_name(), int(where.line()));
    return -1;
}

int ColumnOf(const QAbstractItemView* view, const QString& header, std::source_location where) {
    return ColumnOf(view ? view->model() : nullptr, header, where);
}

int ColumnWidth(const QTableView* view, const QString& header, std::source_location where) {
    const int column = ColumnOf(view, header, where);
    return column < 0 ? 0 : view->columnWidth(column);
}

QStringList ColumnTexts(const QAbstractItemModel* model, const QString& header,
                        std::source_location where) {
    const int column = ColumnOf(model, header, where);
    QStringList texts;
    for (int r = 0; column >= 0 && r < model->rowCount(); ++r)
        texts << model->index(r, column).data().toString();
    return texts;
}

QString CellText(const QAbstractItemModel* model, int row, const QString& header,
                 std::source_location where) {
    const int column = ColumnOf(model, header, where);
    return column < 0 ? QString() : model->index(row, column).data().toString();
}
