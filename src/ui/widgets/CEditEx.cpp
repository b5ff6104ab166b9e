#include "CEditEx.h"

CEditEx::CEditEx(QWidget* parent) : QLineEdit(parent) {
    setFrame(true);
}
