#include "CComboBoxExt.h"

#include <QAbstractItemView>
#include <QStyle>

#include <algorithm>

CComboBoxExt::CComboBoxExt(QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setMaxVisibleItems(12);
    connect(this, &QComboBox::activated, this, &CComboBoxExt::Chosen);
}

void CComboBoxExt::Fill(const QString& items, const QString& current) {
    clear();
    addItems(items.split(QLatin1Char('$'), Qt::SkipEmptyParts));
    int i = findText(current, Qt::MatchExactly | Qt::MatchCaseSensitive);
    if (i < 0) {
        addItem(current);
        i = count() - 1;
    }
    setCurrentIndex(i);
}

void CComboBoxExt::showPopup() {
    QAbstractItemView* list = view();
    const QFontMetrics metrics(list->font());
    int widest = 0;
    for (int i = 0; i < count(); ++i)
        widest = std::max(widest, metrics.horizontalAdvance(itemText(i)));
    // Text margins of an entry on both sides, the list's frame and, for a long list, its
    // scroll bar.
    const int margins =
        2 * (list->style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, list) + 4) +
        2 * list->frameWidth();
    const int scrollBar =
        count() > maxVisibleItems()
            ? list->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, list)
            : 0;
    list->setMinimumWidth(widest + margins + scrollBar);
    QComboBox::showPopup();
}
