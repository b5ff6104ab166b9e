#include "CSimpleList_AddDlg.h"

#include "widgets/FormRows.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CSimpleList_AddDlg::CSimpleList_AddDlg(SimpleListKind kind, QWidget* parent)
    : QDialog(parent), m_info(SimpleListInfoOf(kind)) {
    setObjectName(QString::fromLatin1(m_info.addWindowClass));
    setWindowTitle(QString::fromUtf8(m_info.addCaption));
    setWindowIcon(QIcon(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(m_info.icon))));

    m_frame = new QGroupBox(QStringLiteral("添加"), this);
    m_nameLabel = new QLabel(QString::fromUtf8(m_info.nameLabel), m_frame);
    m_nameEdit = new QLineEdit(m_frame);
    m_noteLabel = new QLabel(QString::fromUtf8(m_info.noteLabel), m_frame);
    m_noteEdit = new QLineEdit(m_frame);
    m_nameLabel->setBuddy(m_nameEdit);
    m_noteLabel->setBuddy(m_noteEdit);
    auto* form = new QFormLayout(m_frame);
    AddFormRows(form, {{m_nameLabel, m_nameEdit}, {m_noteLabel, m_noteEdit}});

    auto* buttons = ConfirmButtonsRow(this, m_ok, m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_frame);
    layout->addLayout(buttons);
    setMinimumWidth(340);

    ChainTabOrder({m_nameEdit, m_noteEdit, m_ok, m_cancel});
    m_nameEdit->setFocus();

    connect(m_ok, &QPushButton::clicked, this, &CSimpleList_AddDlg::OnConfirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

void CSimpleList_AddDlg::OnConfirm() {
    m_name = m_nameEdit->text().toStdString();
    m_note = m_noteEdit->text().toStdString();
    if (!CheckSimpleListName(m_info, m_name)) {
        m_nameEdit->setFocus();
        return;
    }
    accept();
}
