#include "CChild_Xitong_RestoreDlg.h"

#include "CTextTableModel.h"
#include "admin/BackupRestore.h"

#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

CChild_Xitong_RestoreDlg::CChild_Xitong_RestoreDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("数据恢复"));
    setObjectName("CChild_Xitong_RestoreDlg");

    m_model = new CTextTableModel({QStringLiteral("备份文件"), QStringLiteral("文件大小")}, this);
    m_frame = new QGroupBox(QStringLiteral("选择要恢复的数据备份"), this);
    m_list = new QTableView(m_frame);
    SetupAdminList(m_list, m_model, 138);
    auto* frameLayout = new QVBoxLayout(m_frame);
    frameLayout->addWidget(m_list);

    m_restore = new QPushButton(QStringLiteral("恢复"), this);
    m_restore->setDefault(true);
    m_cancel = new QPushButton(QStringLiteral("取消"), this);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_restore);
    buttons->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_frame, 1);
    layout->addLayout(buttons);
    resize(480, 360);

    connect(m_restore, &QPushButton::clicked, this, &CChild_Xitong_RestoreDlg::OnRestore);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list, &QTableView::doubleClicked, this, &CChild_Xitong_RestoreDlg::OnRestore);

    FillList();
}

void CChild_Xitong_RestoreDlg::FillList() {
    // Each file goes on top: the newest backup comes first.
    const auto files = ListBackups();
    std::vector<QStringList> rows;
    rows.reserve(files.size());
    for (auto it = files.rbegin(); it != files.rend(); ++it)
        rows.push_back({QString::fromStdString(it->name), QString::fromStdString(it->sizeText)});
    m_model->SetRows(std::move(rows));
    // The names are the point of this list: the column grows to show them whole.
    m_list->resizeColumnToContents(0);
    if (m_list->columnWidth(0) < 138)
        m_list->setColumnWidth(0, 138);
}

void CChild_Xitong_RestoreDlg::OnRestore() {
    const int row = FirstSelectedRow(m_list);
    std::optional<std::string> name;
    if (row >= 0)
        name = m_model->Row(row).at(0).toStdString();
    // A restore that was tried ends the window, once its message has been shown; a refusal or
    // a No leaves it open for another choice.
    switch (RestoreAction(name)) {
    case AdminResult::Done:
        accept();
        break;
    case AdminResult::Failed:
        reject();
        break;
    default:
        break;
    }
}
