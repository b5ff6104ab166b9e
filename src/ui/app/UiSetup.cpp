#include "UiSetup.h"

#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QPalette>
#include <QStyle>
#include <QStyleFactory>
#include <QTranslator>

static void InitResources() {
    Q_INIT_RESOURCE(ferix);
}

void SetupApplicationLook(QApplication& app) {
    InitResources();
    app.setStyle(QStyleFactory::create("Fusion"));
    QPalette p = app.style()->standardPalette();
    p.setColor(QPalette::Window, QColor(0xf3, 0xf5, 0xf8));
    p.setColor(QPalette::Base, Qt::white);
    p.setColor(QPalette::AlternateBase, QColor(0xee, 0xf3, 0xfa));
    p.setColor(QPalette::Highlight, QColor(0x2e, 0x6a, 0xa3));
    p.setColor(QPalette::HighlightedText, Qt::white);
    p.setColor(QPalette::Button, QColor(0xf7, 0xf8, 0xfa));
    p.setColor(QPalette::ToolTipBase, QColor(0xff, 0xfd, 0xe7));
    p.setColor(QPalette::ToolTipText, Qt::black);
    app.setPalette(p);
    QApplication::setApplicationDisplayName(QStringLiteral("ferix_razaz"));
}

bool UseChineseLanguage(QCoreApplication& app) {
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    // One translator for the application's whole life, however often this runs.
    const QString name = QStringLiteral("qtbaseChinese");
    if (app.findChild<QTranslator*>(name, Qt::FindDirectChildrenOnly))
        return true;
    auto* translator = new QTranslator(&app);
    translator->setObjectName(name);
    if (!translator->load(QStringLiteral("qtbase_zh_CN"),
                          QLibraryInfo::path(QLibraryInfo::TranslationsPath)) ||
        !QCoreApplication::installTranslator(translator)) {
        delete translator;
        return false;
    }
    return true;
}
