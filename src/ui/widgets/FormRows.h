#pragma once
#include <QString>

#include <initializer_list>

class QFormLayout;
class QGridLayout;
class QHBoxLayout;
class QLabel;
class QLayout;
class QPushButton;
class QWidget;

// The label-and-field rows of the add windows' forms and the buttons under them, so that every
// such window is laid out alike.

// One row: a label (its text, or a label of the window's own) and the field beside it, a widget
// or a layout of several. A text label is made with the field as its buddy; an empty text makes
// no label.
struct FormRow {
    FormRow(const char* labelText, QWidget* field)
        : text(QString::fromUtf8(labelText)), widget(field) {}
    FormRow(const QString& labelText, QWidget* field) : text(labelText), widget(field) {}
    FormRow(const char* labelText, QLayout* field)
        : text(QString::fromUtf8(labelText)), layout(field) {}
    FormRow(QLabel* ownLabel, QWidget* field) : label(ownLabel), widget(field) {}

    QString text;
    QLabel* label = nullptr;
    QWidget* widget = nullptr;
    QLayout* layout = nullptr;
};

// Adds the rows under those `form` holds, in order.
void AddFormRows(QFormLayout* form, std::initializer_list<FormRow> rows);
// The same on a grid: labels in column 0, fields in column 1, from row `row` down (labels made
// here belong to the grid's widget). Returns the row after the last one.
int AddFormRows(QGridLayout* grid, int row, std::initializer_list<FormRow> rows);

// The closing row of an add window: 确定 (the default button: Enter confirms) and the button
// that closes without keeping anything (`closeText`), at the right.
QHBoxLayout* ConfirmButtonsRow(QWidget* window, QPushButton*& ok, QPushButton*& close,
                               const char* closeText = "取消");

// Tab moves through `widgets` in this order.
void ChainTabOrder(std::initializer_list<QWidget*> widgets);
