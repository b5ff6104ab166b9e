#include "CHelpDlg.h"

#include <QFile>
#include <QPushButton>
#include <QTextBrowser>
#include <QVBoxLayout>

const char* const kProgramVersion = "1.5";

std::string UpdateCheckText() {
    return std::string("已安装的版本：ferix_razaz 进销存管理 ") + kProgramVersion +
           "。\r\n程序的升级随系统的软件包一起提供，请使用系统的软件包管理器更新。";
}

CHelpDlg::CHelpDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("CHelpDlg");
    setWindowTitle(QStringLiteral("帮助"));
    m_page = new QTextBrowser(this);
    m_page->setOpenLinks(false); // the page has no links out of the program
    QFile page(QStringLiteral(":/help/help.html"));
    if (page.open(QIODevice::ReadOnly))
        m_page->setHtml(QString::fromUtf8(page.readAll()));
    auto* close = new QPushButton(QStringLiteral("关闭"), this);
    close->setDefault(true);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_page, 1);
    layout->addWidget(close, 0, Qt::AlignRight);
    resize(760, 560);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);
}
