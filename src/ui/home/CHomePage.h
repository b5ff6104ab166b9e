#pragma once
#include "home/HomeFigures.h"

#include <QFrame>
#include <QString>
#include <QWidget>

class QChartView;
class QLabel;
class QTableWidget;
class QTimer;

// One figure of the home page: its name, the figure, a line under it; a click opens the window
// behind it.
class CHomeTile : public QFrame {
    Q_OBJECT
public:
    CHomeTile(QWidget* parent, const QString& title, const char* window, const char* command);
    void Show(const QString& value, const QString& note);

    QLabel* m_title;
    QLabel* m_value;
    QLabel* m_note;

protected:
    void mouseReleaseEvent(QMouseEvent* e) override;

private:
    const char* m_window;
    const char* m_command;
};

// "首页": the shop's day and month at a glance, the first module of the main window. Read once
// per refresh (LoadHomeFigures); read again after a posting in another window and, on a
// server, every minute.
class CHomePage : public QWidget {
    Q_OBJECT
public:
    explicit CHomePage(QWidget* parent);

    void Refresh();
    const HomeFigures& Figures() const { return m_figures; }
    // Whether the role sees any of the page's figures (otherwise the page is not offered).
    bool HasFigures() const;

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

private:
    void FillCharts();
    void FillDebtors();
    HomeFigures m_figures;
    bool m_refreshQueued = false;
};
