#pragma once
#include <QLineEdit>

// A header field drawn as a line to write on: no box, one line along the bottom edge, black
// normally, blue while the field has the focus and red while the mouse is over it. A disabled
// or read-only field keeps the black line.
class CUnderLineEdit : public QLineEdit {
    Q_OBJECT
public:
    explicit CUnderLineEdit(QWidget* parent = nullptr);

    QColor LineColour() const;
    bool IsHovered() const { return m_hover; }

signals:
    void DoubleClicked();

protected:
    void paintEvent(QPaintEvent* e) override;
    void focusInEvent(QFocusEvent* e) override;
    void focusOutEvent(QFocusEvent* e) override;
    void enterEvent(QEnterEvent* e) override;
    void leaveEvent(QEvent* e) override;
    void mouseDoubleClickEvent(QMouseEvent* e) override;

private:
    bool m_hover = false;
};
