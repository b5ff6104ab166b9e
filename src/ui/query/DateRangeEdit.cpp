#include "DateRangeEdit.h"

#include "text/Clock.h"
#include "widgets/CDateEditEx.h"

#include <QLocale>

QDateEdit* MakeQueryDateEdit(QWidget* parent) {
    auto* edit = new CDateEditEx(parent);
    edit->setCalendarPopup(true);
    edit->setDisplayFormat(QLocale().dateFormat(QLocale::ShortFormat));
    edit->setDate(QDate::fromString(QString::fromStdString(TodayIso()), Qt::ISODate));
    return edit;
}

std::string IsoDate(const QDateEdit* edit) {
    return edit->date().toString(Qt::ISODate).toStdString();
}
