#pragma once
#include "home/HomeFigures.h"
#include "widgets/WindowPreset.h"

#include <QFrame>
#include <QString>
#include <QWidget>

#include <functional>
#include <string>
#include <thread>
#include <vector>

class QChartView;
class QLabel;
class QTableWidget;
class QTimer;

// One figure of the home page: its name, the figure, a line under it; a click opens the window
// behind it. A long figure is drawn smaller rather than cut.
class CHomeTile : public QFrame {
    Q_OBJECT
public:
    CHomeTile(QWidget* parent, const QString& title);
    void Show(const QString& value, const QString& note);

    QLabel* m_title;
    QLabel* m_value;
    QLabel* m_note;

signals:
    void Clicked();

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;
    void resizeEvent(QResizeEvent* e) override;

private:
    // The figure's size and the line under it (cut with "…" when too long) to the tile's width.
    void FitValue();
    QString m_noteText;
};

// "首页": the shop's day and month at a glance, the first module of the main window. Read once
// per refresh, then only drawn: the sales and their charts at once, the warnings and the
// receivables (years of rows) on a thread of their own, drawn when they are in. Read again after
// a posting in another window (when it next shows, if hidden meanwhile) and, on a server, every
// minute.
class CHomePage : public QWidget {
    Q_OBJECT
public:
    explicit CHomePage(QWidget* parent);

    void Refresh();
    const HomeFigures& Figures() const { return m_figures; }
    // Runs on the lists' thread before each read of them (tests hold a read there).
    static void BeforeListsReadForTest(std::function<void()> action);
    // Whether the role sees any of the page's figures (otherwise the page is not offered).
    bool HasFigures() const;
    // What a click on a figure of this month opens on: from the month's first day to today.
    WindowPreset MonthPreset() const;

signals:
    // After each read, the lists in too: the figures are new (the status bar's warning count
    // among them).
    void FiguresRead();

public:
    CHomeTile* m_todaySales;
    CHomeTile* m_todayProfit;
    CHomeTile* m_monthSales;
    CHomeTile* m_monthProfit;
    CHomeTile* m_warnings;
    CHomeTile* m_receivables;
    QChartView* m_daily;
    QChartView* m_monthly;
    QChartView* m_bestSellers;
    QTableWidget* m_debtors;
    QLabel* m_date;
    QTimer* m_serverTimer;

protected:
    bool eventFilter(QObject* object, QEvent* event) override;
    void showEvent(QShowEvent* e) override;

private:
    void FillCharts();
    void FillDebtors();
    // The warnings, the receivables and the debtors, read or still being read.
    void ShowLists();
    // Starts the read of the lists for the last refresh on their thread; while a read runs,
    // TakeLists starts it when that one ends.
    void ReadLists();
    // A refresh once the events now waiting are done, asked once however often.
    void QueueRefresh();
    // What the thread read for the refresh `generation`, with the messages it held.
    void TakeLists(int generation, const HomeFigures& lists,
                   const std::vector<std::string>& messages);
    // The figures of a read of the lists into m_figures.
    void TakeListFigures(const HomeFigures& lists);
    void Open(const char* window, const char* command, const WindowPreset& preset);
    HomeFigures m_figures;
    bool m_refreshQueued = false;
    bool m_stale = false;        // a posting while hidden: read again when shown
    int m_generation = 0;        // refreshes so far: a thread's lists are only the last one's
    bool m_listsShown = false;   // the lists drawn are a read's (the last one's while re-read)
    bool m_listsReading = false; // a read runs on m_lists
    bool m_refreshing = false;   // in Refresh (a message's event loop may run within it)
    bool m_refreshAfter = false; // asked again meanwhile: read again once it ends
    std::jthread m_lists;        // last: joined before the rest goes
};
