#include "CListCtrlDelegate.h"

#include "CComboBoxExt.h"
#include "CEditEx.h"
#include "CListCtrlEx.h"

#include <QKeyEvent>

CListCtrlDelegate::CListCtrlDelegate(CListCtrlEx* grid) : QStyledItemDelegate(grid), m_grid(grid) {}

QWidget* CListCtrlDelegate::createEditor(QWidget* parent, const QStyleOptionViewItem&,
                                         const QModelIndex&) const {
    QWidget* editor = nullptr;
    switch (m_grid->m_pendingKind) {
    case CListCtrlEx::EditorKind::List: {
        auto* combo = new CComboBoxExt(parent);
        connect(combo, &CComboBoxExt::Chosen, this, [this, combo] {
            emit const_cast<CListCtrlDelegate*>(this)->commitData(combo);
            emit const_cast<CListCtrlDelegate*>(this)->closeEditor(combo);
        });
        editor = combo;
        break;
    }
    case CListCtrlEx::EditorKind::Edit:
    case CListCtrlEx::EditorKind::FreeText:
        editor = new CEditEx(parent);
        break;
    case CListCtrlEx::EditorKind::None:
        return nullptr;
    }
    editor->setFont(m_grid->font());
    m_grid->m_editor = editor;
    return editor;
}

void CListCtrlDelegate::setEditorData(QWidget* editor, const QModelIndex& index) const {
    const QString text = index.data(Qt::EditRole).toString();
    if (auto* combo = qobject_cast<CComboBoxExt*>(editor)) {
        const SComboCell* cell = m_grid->FindListCell(index.row(), index.column());
        combo->Fill(cell ? cell->items : QString(), text);
    } else if (auto* edit = qobject_cast<CEditEx*>(editor)) {
        edit->setText(text);
        edit->selectAll();
    }
}

void CListCtrlDelegate::setModelData(QWidget* editor, QAbstractItemModel*,
                                     const QModelIndex& index) const {
    if (auto* combo = qobject_cast<CComboBoxExt*>(editor))
        m_grid->CommitEditorText(index.row(), index.column(), combo->currentText(), false);
    else if (auto* edit = qobject_cast<CEditEx*>(editor))
        m_grid->CommitEditorText(index.row(), index.column(), edit->text(), true);
}

void CListCtrlDelegate::updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                                             const QModelIndex&) const {
    editor->setGeometry(option.rect);
}

bool CListCtrlDelegate::eventFilter(QObject* object, QEvent* event) {
    // Enter commits at once and goes no further: it must neither wait for the event loop
    // nor reach the window's default button with the edit still open.
    if (event->type() == QEvent::KeyPress) {
        auto* key = static_cast<QKeyEvent*>(event);
        auto* editor = qobject_cast<QWidget*>(object);
        if (editor && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
            emit commitData(editor);
            emit closeEditor(editor, QAbstractItemDelegate::SubmitModelCache);
            return true;
        }
    }
    return QStyledItemDelegate::eventFilter(object, event);
}
