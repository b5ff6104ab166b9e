#include "CSimpleListDlg.h"

#include "CSimpleList_AddDlg.h"
#include "admin/RoleAdmin.h"
#include "widgets/CListModel.h"
#include "widgets/ModalRunner.h"

#include <QHBoxLayout>
#include <QIcon>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QTableView>
#include <QVBoxLayout>

#include <memory>

CSimpleListDlg::CSimpleListDlg(SimpleListKind kind, QWidget* parent)
    : QDialog(parent), m_state(kind) {
    const SimpleListInfo& info = m_state.Info();
    setObjectName(QString::fromLatin1(info.windowClass));
    setWindowTitle(QString::fromUtf8(info.caption));
    setWindowIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(info.icon))));

    m_model = new CListModel(
        info.columns, [this] { return m_state.Rows().size(); },
        [this](size_t row, int column) { return m_state.Cell(row, column); }, this);
    m_list = new QTableView(this);
    SetupListView(m_list, m_model, false);
    // The list is as wide as its columns; the window grows downwards only.
    m_list->setFixedWidth(ListViewWidthForColumns(m_list));
    m_list->setMinimumHeight(300);

    m_add = new QPushButton(QString::fromUtf8(info.addButton), this);
    m_delete = new QPushButton(QStringLiteral("删除"), this);
    m_back = new QPushButton(QStringLiteral("返回"), this);
    m_add->setDefault(true);
    m_add->setIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(info.icon))));
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(m_add);
    buttons->addWidget(m_delete);
    buttons->addStretch();
    buttons->addWidget(m_back);

    auto* layout = new QHBoxLayout(this);
    layout->addWidget(m_list);
    layout->addLayout(buttons);

    // Greyed for a role without the action, as a courtesy: the core refuses it anyway.
    m_add->setEnabled(CurrentRights().Allows("lists", Action::Enter));
    m_delete->setEnabled(CurrentRights().Allows("lists", Action::Delete));

    setTabOrder(m_list, m_add);
    setTabOrder(m_add, m_delete);
    setTabOrder(m_delete, m_back);

    connect(m_add, &QPushButton::clicked, this, &CSimpleListDlg::OnAdd);
    connect(m_delete, &QPushButton::clicked, this, &CSimpleListDlg::OnDelete);
    connect(m_back, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_list->selectionModel(), &QItemSelectionModel::selectionChanged, this,
            &CSimpleListDlg::OnSelectionChanged);

    Change([this] { m_state.Fill(); });
}

void CSimpleListDlg::Change(const std::function<void()>& change) {
    // Refilling clears the view's selection; that is not the user's choice, so the selected
    // name stays as it was.
    m_filling = true;
    change();
    m_model->Reload();
    m_filling = false;
}

void CSimpleListDlg::OnSelectionChanged() {
    if (m_filling)
        return;
    int row = SelectedRow(m_list);
    m_state.Select(row < 0 ? std::string() : m_state.Cell(size_t(row), 0));
}

void CSimpleListDlg::OnAdd() {
    std::unique_ptr<CSimpleList_AddDlg> dlg(NewAddDlg());
    if (RunModal(*dlg) != QDialog::Accepted)
        return;
    Change([&] { m_state.Add(dlg->m_name, dlg->m_note); });
}

void CSimpleListDlg::OnDelete() {
    Change([this] { m_state.Delete(); });
}
