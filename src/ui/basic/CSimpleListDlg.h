#pragma once
#include "basic/SimpleList.h"

#include <QDialog>

#include <functional>

class CSimpleList_AddDlg;
class CListModel;
class QPushButton;
class QTableView;

// A simple list window: the entries of one configuration list (newest first), an add button
// that runs the kind's add window, a delete button for the entry last selected, "返回".
// The seven named windows differ only in their kind and their add window.
class CSimpleListDlg : public QDialog {
    Q_OBJECT
public:
    const CSimpleListState& State() const { return m_state; }

    QTableView* m_list;
    CListModel* m_model;
    QPushButton* m_add;
    QPushButton* m_delete;
    QPushButton* m_back;

protected:
    CSimpleListDlg(SimpleListKind kind, QWidget* parent);
    // The kind's own add window, owned by the caller.
    virtual CSimpleList_AddDlg* NewAddDlg() = 0;

private slots:
    void OnAdd();
    void OnDelete();
    void OnSelectionChanged();

private:
    void Change(const std::function<void()>& change);

    CSimpleListState m_state;
    bool m_filling = false;
};
