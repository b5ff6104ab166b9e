#include "CChild_Jichu_QichuDlg.h"

#include "widgets/CUnderLineEdit.h"

#include <QLabel>
#include <QLineEdit>
#include <QTabWidget>
#include <QToolButton>
#include <QVBoxLayout>

COpeningStockPage::COpeningStockPage(QWidget* parent)
    : CStockBillDlg(parent, BillKind::Opening, QStringLiteral("仓库："), false) {
    setObjectName("COpeningStockPage");
    SetTitleText(QString::fromUtf8(KindNames(BillKind::Opening).titleText));
}

COpeningBalancePage::COpeningBalancePage(QWidget* parent)
    : CFundBillDlg(parent, BillKind::OpeningBalance) {
    setObjectName("COpeningBalancePage");
    // What was owed at the start went through no account.
    for (QWidget* w : {static_cast<QWidget*>(m_accountLabel), static_cast<QWidget*>(m_account),
                       static_cast<QWidget*>(PickerIcon(m_account)),
                       static_cast<QWidget*>(m_owedLabel), static_cast<QWidget*>(m_owed)})
        if (w)
            w->hide();
}

CChild_Jichu_QichuDlg::CChild_Jichu_QichuDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("CChild_Jichu_QichuDlg");
    setWindowTitle(QStringLiteral("期初数据"));
    m_tabs = new QTabWidget(this);
    m_stock = new COpeningStockPage;
    m_balance = new COpeningBalancePage;
    for (QDialog* page : {static_cast<QDialog*>(m_stock), static_cast<QDialog*>(m_balance)}) {
        page->setWindowFlags(Qt::Widget);
        connect(page, &QDialog::finished, this, &QDialog::done);
    }
    m_tabs->addTab(m_stock, QStringLiteral("期初库存"));
    m_tabs->addTab(m_balance, QStringLiteral("期初应收应付"));
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(4, 4, 4, 4);
    layout->addWidget(m_tabs);
    resize(980, 640);
}
