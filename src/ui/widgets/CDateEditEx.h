#pragma once
#include <QDateEdit>

// A date edit that takes a whole typed date: typing over the selected text starts at the
// year, and the separator typed after a section that filled up (and so moved on by itself)
// does not skip the next one, so "2022/2/2" typed over any date gives 2 February 2022.
class CDateEditEx : public QDateEdit {
    Q_OBJECT
public:
    explicit CDateEditEx(QWidget* parent = nullptr);

protected:
    void keyPressEvent(QKeyEvent* event) override;

private:
    bool m_movedOn = false; // the last digit filled its section and the edit moved on
};
