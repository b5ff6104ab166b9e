#include "CAboutDlg.h"

#include "CHelpDlg.h"
#include <QCloseEvent>

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("关于 ferix_razaz"));
    auto* name = new QLabel(
        QStringLiteral("ferix_razaz 进销存管理 ") + QString::fromLatin1(kProgramVersion), this);
    QFont f = name->font();
    f.setPointSizeF(f.pointSizeF() * 1.4);
    f.setBold(true);
    name->setFont(f);
    auto* updates = new QLabel(QStringLiteral("程序的升级随系统的软件包一起提供。"), this);
    m_back = new QPushButton(QStringLiteral("返回"), this);
    m_back->setDefault(true);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_back);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(name);
    layout->addWidget(updates);
    layout->addLayout(buttons);
    setMinimumWidth(420);

    connect(m_back, &QPushButton::clicked, this, &QDialog::accept);
}

// Only 返回 closes the window.
void CAboutDlg::reject() {}

void CAboutDlg::closeEvent(QCloseEvent* e) {
    e->ignore();
}
