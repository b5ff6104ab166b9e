#include "FormRows.h"

#include <QFormLayout>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

void AddFormRows(QFormLayout* form, std::initializer_list<FormRow> rows) {
    for (const auto& r : rows) {
        if (r.label)
            form->addRow(r.label, r.widget);
        else if (r.layout)
            form->addRow(r.text, r.layout);
        else
            form->addRow(r.text, r.widget);
    }
}

int AddFormRows(QGridLayout* grid, int row, std::initializer_list<FormRow> rows) {
    for (const auto& r : rows) {
        QLabel* label = r.label;
        if (!label && !r.text.isEmpty()) {
            label = new QLabel(r.text, grid->parentWidget());
            label->setBuddy(r.widget);
        }
        if (label)
            grid->addWidget(label, row, 0);
        if (r.layout)
            grid->addLayout(r.layout, row, 1);
        else
            grid->addWidget(r.widget, row, 1);
        ++row;
    }
    return row;
}

QHBoxLayout* ConfirmButtonsRow(QWidget* window, QPushButton*& ok, QPushButton*& close,
                               const char* closeText) {
    ok = new QPushButton(QStringLiteral("确定"), window);
    ok->setDefault(true);
    close = new QPushButton(QString::fromUtf8(closeText), window);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch();
    buttons->addWidget(ok);
    buttons->addWidget(close);
    return buttons;
}

void ChainTabOrder(std::initializer_list<QWidget*> widgets) {
    QWidget* const* w = widgets.begin();
    for (size_t i = 1; i < widgets.size(); ++i)
        QWidget::setTabOrder(w[i - 1], w[i]);
}
