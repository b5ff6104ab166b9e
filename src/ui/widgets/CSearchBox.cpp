#include "CSearchBox.h"

#include <QAbstractItemView>
#include <QHBoxLayout>
#include <QItemSelectionModel>
#include <QKeyEvent>
#include <QLabel>

CSearchBox::CSearchBox(QAbstractItemView* list, const QString& placeholder, QWidget* parent)
    : QLineEdit(parent), m_list(list) {
    setClearButtonEnabled(true);
    setPlaceholderText(placeholder);
}

QHBoxLayout* CSearchBox::Row() {
    auto* label = new QLabel(QStringLiteral("查找："), parentWidget());
    label->setBuddy(this);
    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(this, 1);
    return row;
}

void CSearchBox::keyPressEvent(QKeyEvent* e) {
    const int key = e->key();
    if (key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Down) {
        QAbstractItemModel* model = m_list->model();
        if (model && model->rowCount() > 0 && !m_list->selectionModel()->hasSelection())
            m_list->selectionModel()->setCurrentIndex(model->index(0, 0),
                                                      QItemSelectionModel::ClearAndSelect |
                                                          QItemSelectionModel::Rows);
        m_list->setFocus(Qt::TabFocusReason);
        e->accept();
        return;
    }
    QLineEdit::keyPressEvent(e);
}
