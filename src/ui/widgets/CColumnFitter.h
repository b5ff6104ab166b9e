#pragma once
#include <QObject>
#include <QString>

#include <map>

class QAbstractItemView;
class QHeaderView;

// The column widths of every list and grid: a column takes the width of its contents when the
// list is filled (names up to a limit, with the whole text as a tooltip; figures, codes and bill
// numbers in full), the columns share any width the window has to spare, and the widths a user
// drags are kept per window in ColumnWidths.ini of the program folder. Only a bounded sample of
// rows is measured, so a list of tens of thousands of rows fills as fast as a short one.
class CColumnFitter : public QObject {
    Q_OBJECT
public:
    // Fits the view's columns from now on; a view gets one fitter however often it is called.
    // Call it once the view has its model and starting widths.
    static CColumnFitter* Attach(QAbstractItemView* view);
    static CColumnFitter* Of(const QAbstractItemView* view);

    // Fits the columns to their contents and the window's width at once (a fill asks for this
    // itself, after the events in hand).
    void Fit();
    // The file the widths a user sets are kept in.
    static QString WidthsFile();
    // The widest a name column grows by its contents; 0 lets names grow as wide as they are.
    int NameLimit() const;
    void SetNameLimit(int width) { m_nameLimit = width; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    explicit CColumnFitter(QAbstractItemView* view);
    QHeaderView* Header() const;
    QString HeaderText(int column) const;
    QString WindowKey() const;
    int ContentWidth(int column) const;
    void ScheduleFit();
    void Layout();
    void OnSectionResized(int column, int oldSize, int newSize);
    void LoadUserWidths();

    QAbstractItemView* m_view;
    std::map<QString, int> m_startWidths; // by header text: the window's own starting width
    std::map<QString, int> m_fitWidths;   // by header text: the width the contents asked for
    std::map<QString, int> m_userWidths;  // by header text: what the user dragged it to
    QString m_key;
    bool m_applying = false;
    bool m_userGesture = false;
    bool m_pending = false;
    int m_nameLimit = -1; // -1: sixteen characters' width
};
