#include "CFundBillDlg.h"

#include "bills/FundBill.h"
#include "bills/PaletteLists.h"
#include "widgets/CListCtrlEx.h"
#include "widgets/CUnderLineEdit.h"

#include <QDateEdit>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

CFundBillDlg::CFundBillDlg(QWidget* parent, BillKind kind)
    : CBillEntryDlg(parent, kind), m_titleText(QString::fromUtf8(KindNames(kind).titleText)) {
    setWindowTitle(m_titleText);
    m_grid->hide(); // money only: no goods lines
    m_number = NewField();
    InitDate();
    m_customer = NewField();
    m_account = NewField();
    m_employee = NewField();
    m_department = NewField();
    m_paid = new QLineEdit(this);
    m_paid->setObjectName("amount");
    m_paid->setAlignment(Qt::AlignRight);
    m_introduction = NewField();
    m_owed = new QLineEdit(this);
    m_owed->setObjectName("owed");
    m_owed->setReadOnly(true);
    m_owed->setFocusPolicy(Qt::ClickFocus);
    m_owed->setAlignment(Qt::AlignRight);

    const bool receipt = kind == BillKind::Receipt;
    m_customerLabel = NewLabel(QStringLiteral("往来单位："));
    m_accountLabel =
        NewLabel(receipt ? QStringLiteral("收款账户：") : QStringLiteral("付款账户："));
    m_paidLabel = NewLabel(QStringLiteral("金额："));
    m_owedLabel = NewLabel(QString::fromUtf8(OwedLabelText(kind)));
    CreateBrowseParts();

    auto* header = new QGridLayout;
    header->setHorizontalSpacing(8);
    header->setVerticalSpacing(12);
    header->addWidget(NewLabel(QStringLiteral("编号：")), 0, 0);
    header->addWidget(m_number, 0, 1);
    header->addWidget(NewLabel(QStringLiteral("录入日期：")), 0, 2);
    auto* dateRow = new QHBoxLayout;
    dateRow->addWidget(m_date);
    dateRow->addSpacing(12);
    dateRow->addWidget(m_standing, 1); // the whole rest: no relayout per text
    header->addLayout(dateRow, 0, 3);
    header->addWidget(m_customerLabel, 1, 0);
    header->addWidget(PickedField(m_customer, UnitPaletteKind(kind)), 1, 1);
    header->addWidget(m_owedLabel, 1, 2);
    header->addWidget(m_owed, 1, 3);
    header->addWidget(m_accountLabel, 2, 0);
    header->addWidget(PickedField(m_account, "palette_account"), 2, 1);
    header->addWidget(NewLabel(QStringLiteral("经手人：")), 2, 2);
    header->addWidget(PickedField(m_employee, "palette_employees"), 2, 3);
    header->addWidget(NewLabel(QStringLiteral("部门：")), 3, 0);
    header->addWidget(PickedField(m_department, "palette_department"), 3, 1);
    header->addWidget(m_paidLabel, 3, 2);
    header->addWidget(m_paid, 3, 3);
    header->addWidget(NewLabel(QStringLiteral("说明：")), 4, 0);
    header->addWidget(m_introduction, 4, 1, 1, 3);
    for (int c : {1, 3})
        header->setColumnStretch(c, 1);

    m_save = NewButton(QStringLiteral("保存"));
    m_save->setDefault(true);
    m_cancel = NewButton(QStringLiteral("取消"));
    auto* bottom = new QHBoxLayout;
    bottom->addWidget(m_redo);
    bottom->addWidget(m_prev);
    bottom->addWidget(m_next);
    bottom->addStretch(1);
    bottom->addWidget(m_printBill);
    bottom->addWidget(m_save);
    bottom->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 10, 16, 12);
    layout->addWidget(m_title);
    layout->addLayout(header);
    layout->addStretch(1);
    layout->addLayout(bottom);

    QWidget* chain[] = {m_number,     m_date, m_customer,     m_account, m_employee,
                        m_department, m_paid, m_introduction, m_save,    m_cancel,
                        m_redo,       m_prev, m_next};
    for (size_t i = 1; i < std::size(chain); ++i)
        setTabOrder(chain[i - 1], chain[i]);

    connect(m_save, &QPushButton::clicked, this, &CBillEntryDlg::OnSave);
    connect(m_cancel, &QPushButton::clicked, this, &CBillEntryDlg::reject);
    connect(m_customer, &QLineEdit::textChanged, this, &CFundBillDlg::RefreshOwed);

    ShowHeader();
    ApplyModeTexts();
    resize(760, 420);
}

void CFundBillDlg::RefreshOwed() {
    const auto owed = CurrentOwed(Bill().Kind(), m_customer->text().toStdString());
    m_owed->setText(owed ? QString::fromStdString(owed->Format2()) : QString());
}

void CFundBillDlg::AfterPosting() {
    // The next bill keeps unit, account and handler; its amount is typed anew.
    m_paid->clear();
    m_introduction->clear();
    RefreshOwed();
}

void CFundBillDlg::ApplyModeTexts() {
    SetTitleText(m_titleText);
    RefreshOwed();
}
