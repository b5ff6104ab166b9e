#include "CDateEditEx.h"

#include <QKeyEvent>
#include <QLineEdit>

CDateEditEx::CDateEditEx(QWidget* parent) : QDateEdit(parent) {}

void CDateEditEx::keyPressEvent(QKeyEvent* event) {
    const QString text = event->text();
    const bool digit = text.size() == 1 && text[0].isDigit();
    const bool separator = text.size() == 1 && !digit && text[0].isPrint() && !text[0].isSpace();
    if (separator && m_movedOn) {
        m_movedOn = false;
        event->accept();
        return;
    }
    if (!digit) {
        m_movedOn = false;
        QDateEdit::keyPressEvent(event);
        return;
    }
    // Over the whole text, a digit starts the first section instead of being refused.
    if (lineEdit()->hasSelectedText() && lineEdit()->selectedText() == lineEdit()->text())
        setSelectedSection(sectionAt(0));
    const Section before = currentSection();
    QDateEdit::keyPressEvent(event);
    m_movedOn = currentSection() != before;
}
