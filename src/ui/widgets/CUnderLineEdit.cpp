#include "CUnderLineEdit.h"

#include <QPainter>

CUnderLineEdit::CUnderLineEdit(QWidget* parent) : QLineEdit(parent) {
    setFrame(false);
    setAttribute(Qt::WA_Hover);
    // The field shows the window's own background; only the line marks it.
    QPalette p = palette();
    p.setColor(QPalette::Base, Qt::transparent);
    setPalette(p);
    setTextMargins(2, 2, 2, 3);
}

QColor CUnderLineEdit::LineColour() const {
    if (!isEnabled() || isReadOnly())
        return QColor(0, 0, 0);
    if (m_hover)
        return QColor(255, 0, 0);
    if (hasFocus())
        return QColor(0, 0, 255);
    return QColor(0, 0, 0);
}

void CUnderLineEdit::paintEvent(QPaintEvent* e) {
    QLineEdit::paintEvent(e);
    QPainter painter(this);
    painter.setPen(LineColour());
    painter.drawLine(0, height() - 1, width() - 1, height() - 1);
}

void CUnderLineEdit::focusInEvent(QFocusEvent* e) {
    QLineEdit::focusInEvent(e);
    update();
}

void CUnderLineEdit::focusOutEvent(QFocusEvent* e) {
    QLineEdit::focusOutEvent(e);
    update();
}

void CUnderLineEdit::enterEvent(QEnterEvent* e) {
    QLineEdit::enterEvent(e);
    m_hover = true;
    update();
}

void CUnderLineEdit::leaveEvent(QEvent* e) {
    QLineEdit::leaveEvent(e);
    m_hover = false;
    update();
}

void CUnderLineEdit::mouseDoubleClickEvent(QMouseEvent* e) {
    QLineEdit::mouseDoubleClickEvent(e);
    emit DoubleClicked();
}
