#include "CHomePage.h"

#include "app/CommandRouting.h"
#include "bills/PostingNotice.h"

#include <QBarCategoryAxis>
#include <QBarSeries>
#include <QBarSet>
#include <QCategoryAxis>
#include <QChart>
#include <QChartView>
#include <QDate>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QHorizontalBarSeries>
#include <QLabel>
#include <QLineSeries>
#include <QLocale>
#include <QMouseEvent>
#include <QPushButton>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>

namespace {
QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

double ChartValue(CMoneySum amount) {
    return static_cast<double>(amount.Units()) / 10000.0;
}

// The windows behind the figures, opened through the routing (and its rights check).
constexpr const char* kSalesReport = "CReportDlg";
constexpr const char* kSalesByGoods = "run_sale_product";
constexpr const char* kProfitReport = "CReportProfitDlg";
constexpr const char* kWarnings = "CChild_Kucun_YujingDlg";
constexpr const char* kStatement = "CChild_Caiwu_DuizhangDlg";

constexpr int kServerRefreshMs = 60 * 1000;
const QColor kAccent(0x1f, 0x4e, 0x79);

QChartView* MakeChartView(QWidget* parent, const QString& title, const char* window,
                          const char* command) {
    auto* chart = new QChart;
    chart->setTitle(title);
    QFont titleFont = chart->titleFont();
    titleFont.setPointSizeF(titleFont.pointSizeF() + 1);
    titleFont.setBold(true);
    chart->setTitleFont(titleFont);
    chart->legend()->hide();
    chart->setMargins(QMargins(6, 6, 18, 6)); // room for the last day's label
    chart->setBackgroundRoundness(6);
    // Painted once per refresh: no animation keeps the first paint complete.
    chart->setAnimationOptions(QChart::NoAnimation);
    auto* view = new QChartView(chart, parent);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(360, 240);
    view->setCursor(Qt::PointingHandCursor);
    view->setToolTip(QStringLiteral("点击查看明细"));
    view->setProperty("window", window);
    view->setProperty("command", command);
    return view;
}

void ClearChart(QChart* chart) {
    chart->removeAllSeries();
    for (QAbstractAxis* axis : chart->axes()) {
        chart->removeAxis(axis);
        delete axis;
    }
}

// From zero (or the lowest day, returns outweighing sales) to the highest, in round steps.
QValueAxis* AmountAxis(double bottom, double top) {
    auto* axis = new QValueAxis;
    axis->setRange(std::min(bottom, 0.0), std::max(top, 1.0));
    axis->setTickCount(5);
    axis->applyNiceNumbers();
    axis->setLabelFormat("%.0f");
    return axis;
}

QString Elided(const QString& text, int chars) {
    return text.size() <= chars ? text : text.left(chars - 1) + QStringLiteral("…");
}
} // namespace

CHomeTile::CHomeTile(QWidget* parent, const QString& title, const char* window, const char* command)
    : QFrame(parent), m_window(window), m_command(command) {
    setObjectName("homeTile");
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("点击查看明细"));
    setMinimumSize(170, 104);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(4);
    m_title = new QLabel(title, this);
    m_title->setObjectName("homeTileTitle");
    m_value = new QLabel(this);
    m_value->setObjectName("homeTileValue");
    m_note = new QLabel(this);
    m_note->setObjectName("homeTileNote");
    layout->addWidget(m_title);
    layout->addWidget(m_value);
    layout->addWidget(m_note);
    layout->addStretch(1);
}

void CHomeTile::Show(const QString& value, const QString& note) {
    m_value->setText(value);
    m_note->setText(note);
}

void CHomeTile::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        OpenWindow(window(), QString::fromLatin1(m_window), QString::fromLatin1(m_command));
    QFrame::mouseReleaseEvent(e);
}

CHomePage::CHomePage(QWidget* parent) : QWidget(parent) {
    setObjectName("homePage");
    setStyleSheet("QWidget#homePage { background: #f3f5f8; }"
                  "QFrame#homeTile { background: white; border: 1px solid #dde3ea;"
                  " border-radius: 8px; }"
                  "QFrame#homeTile:hover { border-color: #3f80c0; }"
                  "QLabel#homeTileTitle { color: #5f6b7a; font-size: 13px; }"
                  "QLabel#homeTileValue { color: #1f4e79; font-size: 22px; font-weight: bold; }"
                  "QLabel#homeTileNote { color: #7a8593; font-size: 12px; }"
                  "QLabel#homeHeading { color: #1f2d3d; font-size: 20px; font-weight: bold; }"
                  "QLabel#homeDate { color: #5f6b7a; font-size: 13px; }"
                  "QLabel#homeDebtorsTitle { color: #1f2d3d; font-size: 14px; font-weight: bold; }"
                  "QTableWidget { background: white; border: 1px solid #dde3ea;"
                  " border-radius: 8px; }");
    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(20, 16, 20, 16);
    outer->setSpacing(14);

    auto* head = new QHBoxLayout;
    auto* heading = new QLabel(QStringLiteral("首页"), this);
    heading->setObjectName("homeHeading");
    m_date = new QLabel(this);
    m_date->setObjectName("homeDate");
    auto* refresh = new QPushButton(QStringLiteral("刷新"), this);
    connect(refresh, &QPushButton::clicked, this, &CHomePage::Refresh);
    head->addWidget(heading);
    head->addSpacing(12);
    head->addWidget(m_date);
    head->addStretch(1);
    head->addWidget(refresh);
    outer->addLayout(head);

    auto* tiles = new QHBoxLayout;
    tiles->setSpacing(12);
    m_todaySales = new CHomeTile(this, QStringLiteral("今日销售"), kSalesReport, kSalesByGoods);
    m_todayProfit = new CHomeTile(this, QStringLiteral("今日毛利"), kProfitReport, "");
    m_monthSales = new CHomeTile(this, QStringLiteral("本月销售"), kSalesReport, kSalesByGoods);
    m_monthProfit = new CHomeTile(this, QStringLiteral("本月毛利"), kProfitReport, "");
    m_warnings = new CHomeTile(this, QStringLiteral("低于下限的商品"), kWarnings, "");
    m_receivables = new CHomeTile(this, QStringLiteral("应收合计"), kStatement, "");
    for (CHomeTile* t :
         {m_todaySales, m_todayProfit, m_monthSales, m_monthProfit, m_warnings, m_receivables})
        tiles->addWidget(t, 1);
    outer->addLayout(tiles);

    auto* grid = new QGridLayout;
    grid->setSpacing(12);
    m_daily = MakeChartView(this, QStringLiteral("近30天每日销售"), kSalesReport, kSalesByGoods);
    m_monthly = MakeChartView(this, QStringLiteral("近12个月销售"), kSalesReport, kSalesByGoods);
    m_bestSellers =
        MakeChartView(this, QStringLiteral("本月畅销商品（数量）"), kSalesReport, kSalesByGoods);
    for (QChartView* v : {m_daily, m_monthly, m_bestSellers})
        v->viewport()->installEventFilter(this);

    auto* debtorsBox = new QWidget(this);
    auto* debtorsLayout = new QVBoxLayout(debtorsBox);
    debtorsLayout->setContentsMargins(0, 0, 0, 0);
    debtorsLayout->setSpacing(6);
    auto* debtorsTitle = new QLabel(QStringLiteral("应收最多的客户"), debtorsBox);
    debtorsTitle->setObjectName("homeDebtorsTitle");
    m_debtors = new QTableWidget(0, 2, debtorsBox);
    m_debtors->setHorizontalHeaderLabels({QStringLiteral("往来单位"), QStringLiteral("应收金额")});
    m_debtors->verticalHeader()->hide();
    m_debtors->horizontalHeader()->setSectionResizeMode(0, QHeaderView::Stretch);
    m_debtors->horizontalHeader()->setSectionResizeMode(1, QHeaderView::Fixed);
    m_debtors->setColumnWidth(1, 160);
    m_debtors->verticalHeader()->setDefaultSectionSize(30);
    m_debtors->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_debtors->setSelectionMode(QAbstractItemView::NoSelection);
    m_debtors->setFocusPolicy(Qt::NoFocus);
    m_debtors->setCursor(Qt::PointingHandCursor);
    m_debtors->setToolTip(QStringLiteral("点击查看往来对账"));
    m_debtors->viewport()->installEventFilter(this);
    m_debtors->viewport()->setProperty("window", kStatement);
    m_debtors->viewport()->setProperty("command", "");
    debtorsLayout->addWidget(debtorsTitle);
    debtorsLayout->addWidget(m_debtors, 1);

    grid->addWidget(m_daily, 0, 0);
    grid->addWidget(m_monthly, 0, 1);
    grid->addWidget(m_bestSellers, 1, 0);
    grid->addWidget(debtorsBox, 1, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    outer->addLayout(grid, 1);

    // A posting in a window over the page: read again once that window's events are done.
    connect(&CPostingNotice::Instance(), &CPostingNotice::Posted, this, [this] {
        if (m_refreshQueued)
            return;
        m_refreshQueued = true;
        QTimer::singleShot(0, this, [this] {
            m_refreshQueued = false;
            Refresh();
        });
    });
    m_serverTimer = new QTimer(this);
    m_serverTimer->setInterval(kServerRefreshMs);
    connect(m_serverTimer, &QTimer::timeout, this, [this] {
        if (isVisible())
            Refresh();
    });
    Refresh();
}

bool CHomePage::HasFigures() const {
    return m_figures.showsSales || m_figures.showsProfit || m_figures.showsWarnings ||
           m_figures.showsReceivables;
}

void CHomePage::Refresh() {
    m_figures = LoadHomeFigures();
    const HomeFigures& f = m_figures;
    const QDate day = QDate::fromString(Q(f.today), Qt::ISODate);
    m_date->setText(QLocale(QLocale::Chinese, QLocale::China).toString(day, "yyyy年M月d日 dddd"));
    auto amount = [&](CMoneySum a) { return Q(HomeAmountText(f, a)); };
    auto against = [&](CMoneySum now, CMoneySum before) {
        QString note = QStringLiteral("上月 ") + amount(before);
        const std::string change = HomeChangeText(now, before);
        if (!f.hidesAmounts && !change.empty())
            note += QStringLiteral("，") + Q(change);
        return note;
    };
    m_todaySales->setVisible(f.showsSales);
    m_monthSales->setVisible(f.showsSales);
    m_todaySales->Show(amount(f.todaySales), QStringLiteral("销售减退货"));
    m_monthSales->Show(amount(f.monthSales), against(f.monthSales, f.lastMonthSales));
    m_todayProfit->setVisible(f.showsProfit);
    m_monthProfit->setVisible(f.showsProfit);
    m_todayProfit->Show(amount(f.todayProfit), QStringLiteral("销售金额减销售成本"));
    m_monthProfit->Show(amount(f.monthProfit), against(f.monthProfit, f.lastMonthProfit));
    m_warnings->setVisible(f.showsWarnings);
    m_warnings->Show(QString::number(f.belowLowerLimit) + QStringLiteral(" 种"),
                     f.belowLowerLimit > 0 ? QStringLiteral("需要补货")
                                           : QStringLiteral("库存充足"));
    m_receivables->setVisible(f.showsReceivables);
    m_receivables->Show(amount(f.receivableTotal), QStringLiteral("全部往来单位"));
    m_daily->setVisible(f.showsSales);
    m_monthly->setVisible(f.showsSales);
    m_bestSellers->setVisible(f.showsSales);
    m_debtors->parentWidget()->setVisible(f.showsReceivables);
    FillCharts();
    FillDebtors();
    if (f.onServer)
        m_serverTimer->start();
    else
        m_serverTimer->stop();
}

void CHomePage::FillCharts() {
    const HomeFigures& f = m_figures;
    // Sales amounts are 售价: a role that may not see them gets the charts without their lines.
    auto line = [&](QChartView* view, const std::vector<HomeSalesPoint>& points, bool daily) {
        QChart* chart = view->chart();
        ClearChart(chart);
        if (f.hidesAmounts || points.empty())
            return;
        auto* series = new QLineSeries;
        QPen pen(kAccent);
        pen.setWidth(2);
        series->setPen(pen);
        series->setPointsVisible(true);
        double bottom = 0, top = 0;
        for (size_t i = 0; i < points.size(); ++i) {
            const double v = ChartValue(points[i].amount);
            series->append(static_cast<double>(i), v);
            bottom = std::min(bottom, v);
            top = std::max(top, v);
        }
        chart->addSeries(series);
        if (daily) {
            // A label each fifth day ("MM-dd"), the last one today.
            auto* axis = new QCategoryAxis;
            axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
            axis->setRange(0, static_cast<double>(points.size() - 1));
            for (size_t i = (points.size() - 1) % 5; i < points.size(); i += 5)
                axis->append(Q(points[i].period.substr(5)), static_cast<double>(i));
            chart->addAxis(axis, Qt::AlignBottom);
            series->attachAxis(axis);
        } else {
            auto* axis = new QBarCategoryAxis;
            for (const auto& p : points) // "yyyy-MM" as "M月": twelve labels fit
                axis->append(QString::number(std::stoi(p.period.substr(5))) + QStringLiteral("月"));
            chart->addAxis(axis, Qt::AlignBottom);
            series->attachAxis(axis);
        }
        QValueAxis* values = AmountAxis(bottom, top);
        chart->addAxis(values, Qt::AlignLeft);
        series->attachAxis(values);
    };
    line(m_daily, f.daily, true);
    line(m_monthly, f.monthly, false);

    QChart* chart = m_bestSellers->chart();
    ClearChart(chart);
    if (f.bestSellers.empty())
        return;
    // Quantities are no price: every role that sees the sales sees them. The most sold on top.
    auto* set = new QBarSet(QStringLiteral("销售数量"));
    set->setColor(QColor(0x3f, 0x80, 0xc0));
    auto* names = new QBarCategoryAxis;
    double top = 0;
    for (auto it = f.bestSellers.rbegin(); it != f.bestSellers.rend(); ++it) {
        *set << static_cast<double>(it->quantity);
        names->append(Elided(Q(it->name), 10));
        top = std::max(top, static_cast<double>(it->quantity));
    }
    auto* series = new QHorizontalBarSeries;
    series->append(set);
    series->setLabelsVisible(true);
    series->setLabelsPosition(QAbstractBarSeries::LabelsInsideEnd);
    set->setLabelColor(Qt::white);
    chart->addSeries(series);
    chart->addAxis(names, Qt::AlignLeft);
    series->attachAxis(names);
    auto* counts = new QValueAxis;
    counts->setRange(0, std::max(top, 1.0));
    counts->setLabelFormat("%d");
    counts->applyNiceNumbers();
    chart->addAxis(counts, Qt::AlignBottom);
    series->attachAxis(counts);
}

void CHomePage::FillDebtors() {
    m_debtors->setRowCount(static_cast<int>(m_figures.debtors.size()));
    for (int row = 0; row < m_debtors->rowCount(); ++row) {
        const HomeDebtor& d = m_figures.debtors[static_cast<size_t>(row)];
        m_debtors->setItem(row, 0, new QTableWidgetItem(Q(d.name)));
        auto* owed = new QTableWidgetItem(Q(HomeAmountText(m_figures, d.receivable)));
        owed->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        m_debtors->setItem(row, 1, owed);
    }
}

bool CHomePage::eventFilter(QObject* object, QEvent* event) {
    if (event->type() == QEvent::MouseButtonRelease &&
        static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
        // A chart's view holds the window behind it; the debtors' list its viewport.
        QObject* owner = object->property("window").isValid() ? object : object->parent();
        const QVariant window = owner ? owner->property("window") : QVariant();
        if (window.isValid()) {
            OpenWindow(this->window(), window.toString(), owner->property("command").toString());
            return true;
        }
    }
    return QWidget::eventFilter(object, event);
}
