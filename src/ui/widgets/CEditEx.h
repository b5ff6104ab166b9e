#pragma once
#include <QLineEdit>

// The grid's in-place edit box. The grid fills it, and takes its text back when it loses the
// focus or the user presses Enter or Tab.
class CEditEx : public QLineEdit {
    Q_OBJECT
public:
    explicit CEditEx(QWidget* parent = nullptr);
};
