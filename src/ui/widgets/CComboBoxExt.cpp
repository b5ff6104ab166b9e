#include "CComboBoxExt.h"

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
