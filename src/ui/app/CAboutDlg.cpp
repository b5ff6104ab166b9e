#include "CAboutDlg.h"

#include "UrlOpener.h"
#include <QCloseEvent>

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QUrl>
#include <QVBoxLayout>

const char* const kHomePageUrl = "https://ferix-razaz.example.org/";
const char* const kSupportPageUrl = "https://ferix-razaz.example.org/support/";

CAboutDlg::CAboutDlg(QWidget* parent) : QDialog(parent) {
    setWindowTitle(QStringLiteral("关于 ferix_razaz"));
    auto* name = new QLabel(QStringLiteral("ferix_razaz 进销存管理 1.5"), this);
    QFont f = name->font();
    f.setPointSizeF(f.pointSizeF() * 1.4);
    f.setBold(true);
    name->setFont(f);
    m_url = new QLineEdit(QString::fromLatin1(kHomePageUrl), this);
    m_url->setReadOnly(true);
    m_open = new QPushButton(QStringLiteral("打开网站"), this);
    m_back = new QPushButton(QStringLiteral("返回"), this);
    m_back->setDefault(true);

    auto* row = new QHBoxLayout;
    row->addWidget(new QLabel(QStringLiteral("网址："), this));
    row->addWidget(m_url, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(m_open);
    buttons->addWidget(m_back);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(name);
    layout->addLayout(row);
    layout->addLayout(buttons);
    setMinimumWidth(420);

    connect(m_open, &QPushButton::clicked, this, &CAboutDlg::OpenSite);
    connect(m_back, &QPushButton::clicked, this, &QDialog::accept);
}

void CAboutDlg::OpenSite() {
    OpenExternalUrl(QUrl(QString::fromLatin1(kHomePageUrl)));
}

void CAboutDlg::reject() {
    OpenSite();
}

void CAboutDlg::closeEvent(QCloseEvent* e) {
    e->ignore();
    OpenSite();
}
