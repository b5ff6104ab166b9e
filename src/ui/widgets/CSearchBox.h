#pragma once
#include <QLineEdit>

class QAbstractItemView;
class QHBoxLayout;

// The search box "查找：" above a list: the window narrows its list as the text changes
// (textChanged). Enter and Down go on to the list, its first row selected, so that Enter never
// presses the window's default button while searching.
class CSearchBox : public QLineEdit {
    Q_OBJECT
public:
    CSearchBox(QAbstractItemView* list, const QString& placeholder, QWidget* parent);
    // The label "查找：" and the box, as one row of a layout.
    QHBoxLayout* Row();

protected:
    void keyPressEvent(QKeyEvent* e) override;

private:
    QAbstractItemView* m_list;
};
