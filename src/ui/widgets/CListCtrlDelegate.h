#pragma once
#include <QStyledItemDelegate>

class CListCtrlEx;

// Creates the grid's in-place editors and hands their texts back to the grid.
class CListCtrlDelegate : public QStyledItemDelegate {
    Q_OBJECT
public:
    explicit CListCtrlDelegate(CListCtrlEx* grid);

    QWidget* createEditor(QWidget* parent, const QStyleOptionViewItem& option,
                          const QModelIndex& index) const override;
    void setEditorData(QWidget* editor, const QModelIndex& index) const override;
    void setModelData(QWidget* editor, QAbstractItemModel* model,
                      const QModelIndex& index) const override;
    void updateEditorGeometry(QWidget* editor, const QStyleOptionViewItem& option,
                              const QModelIndex& index) const override;

protected:
    bool eventFilter(QObject* object, QEvent* event) override;

private:
    CListCtrlEx* m_grid;
};
