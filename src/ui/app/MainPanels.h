#pragma once
#include <QWidget>

#include <vector>

class QAbstractButton;
class QHBoxLayout;

// A module panel: big buttons and, on the trade panels, two rows of clickable labels. Each
// item opens what the routing table gives for (place, item text).
class CMainPanel : public QWidget {
    Q_OBJECT
public:
    struct Item {
        const char* text;
        const char* icon; // resource name, or nullptr
        bool visible = true;
    };
    CMainPanel(QWidget* parent, const QString& title, const char* place,
               const std::vector<Item>& buttons, bool withLabelRows, bool handCursor);

    // The panel's buttons and labels, in order (hidden ones included).
    QList<QAbstractButton*> Items() const { return m_items; }
    QAbstractButton* FindItem(const QString& text) const;
    // Whether any item is left for the operator's role (a panel without one is not offered).
    bool HasItems() const;

protected:
    void paintEvent(QPaintEvent*) override;
    // A label of this panel alone, at the end of the second label row.
    void AddOwnLabel(const char* place, const char* text);

private:
    QAbstractButton* AddItem(const char* place, const QString& text, QAbstractButton* button);
    QAbstractButton* MakeLabel(const char* place, const char* text);
    QList<QAbstractButton*> m_items;
    QHBoxLayout* m_lastLabelRow = nullptr;
};

class CMainCaigouDlg : public CMainPanel {
    Q_OBJECT
public:
    explicit CMainCaigouDlg(QWidget* parent);
};
class CMainXiaoshouDlg : public CMainPanel {
    Q_OBJECT
public:
    explicit CMainXiaoshouDlg(QWidget* parent);
};
class CMainKucunDlg : public CMainPanel {
    Q_OBJECT
public:
    explicit CMainKucunDlg(QWidget* parent);
};
class CMainRazazDlg : public CMainPanel {
    Q_OBJECT
public:
    explicit CMainRazazDlg(QWidget* parent);
};
class CMainYuliuDlg : public CMainPanel {
    Q_OBJECT
public:
    explicit CMainYuliuDlg(QWidget* parent);
};
class CMainJichushujuDlg : public CMainPanel {
    Q_OBJECT
public:
    explicit CMainJichushujuDlg(QWidget* parent);
};
class CMainXitongDlg : public CMainPanel {
    Q_OBJECT
public:
    explicit CMainXitongDlg(QWidget* parent);
};
