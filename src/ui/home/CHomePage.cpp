#include "CHomePage.h"

#include "app/CommandRouting.h"
#include "bills/PostingNotice.h"
#include "port/MessagePort.h"

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
#include <QResizeEvent>
#include <QShowEvent>
#include <QTableWidget>
#include <QTimer>
#include <QVBoxLayout>
#include <QValueAxis>

#include <algorithm>
#include <system_error>
#include <utility>

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

std::function<void()>& BeforeListsRead() {
    static std::function<void()> action;
    return action;
}
const QColor kAccent(0x1f, 0x4e, 0x79);

QChart* MakeChart(const QString& title) {
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
    return chart;
}

QChartView* MakeChartView(QWidget* parent, const QString& title) {
    auto* view = new QChartView(MakeChart(title), parent);
    view->setRenderHint(QPainter::Antialiasing);
    view->setMinimumSize(300, 190);
    view->setCursor(Qt::PointingHandCursor);
    view->setToolTip(QStringLiteral("点击查看明细"));
    return view;
}

// A new chart for each read: the scene of a chart whose axes were taken out and put back kept
// drawing the old ones beside the new.
QChart* RenewChart(QChartView* view) {
    QChart* old = view->chart();
    QChart* chart = MakeChart(old->title());
    view->setChart(chart);
    delete old;
    return chart;
}

// Amounts of a million and more are drawn in 万 (ten thousands), so the axis labels stay short.
constexpr double kLargeAmount = 1000000.0;
constexpr double kWan = 10000.0;

// From zero (or the lowest day, returns outweighing sales) to the highest, in round steps; a
// period that sold nothing gets 0 to 100 rather than a range with no height.
QValueAxis* AmountAxis(double bottom, double top, bool inWan) {
    auto* axis = new QValueAxis;
    bottom = std::min(bottom, 0.0);
    top = std::max(top, 0.0);
    if (top - bottom <= 0)
        top = 100;
    axis->setRange(bottom, top);
    axis->setTickCount(5);
    axis->applyNiceNumbers();
    // Whole numbers unless the steps are smaller than one.
    const double step = (axis->max() - axis->min()) / std::max(axis->tickCount() - 1, 1);
    axis->setLabelFormat(step >= 1 ? "%.0f" : step >= 0.1 ? "%.1f" : "%.2f");
    if (inWan)
        axis->setTitleText(QStringLiteral("万元"));
    return axis;
}

// The largest pixel size, from `largest` down, at which the text fits the width.
int FittingPixelSize(QFont font, const QString& text, int width, int largest, int smallest) {
    for (int size = largest; size > smallest; --size) {
        font.setPixelSize(size);
        if (QFontMetrics(font).horizontalAdvance(text) <= width)
            return size;
    }
    return smallest;
}

QString Elided(const QString& text, int chars) {
    return text.size() <= chars ? text : text.left(chars - 1) + QStringLiteral("…");
}
} // namespace

constexpr int kValuePixels = 22;
constexpr int kSmallestValuePixels = 11;

CHomeTile::CHomeTile(QWidget* parent, const QString& title) : QFrame(parent) {
    setObjectName("homeTile");
    setCursor(Qt::PointingHandCursor);
    setToolTip(QStringLiteral("点击查看明细"));
    setMinimumSize(120, 96);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 12, 16, 12);
    layout->setSpacing(4);
    m_title = new QLabel(title, this);
    m_title->setObjectName("homeTileTitle");
    m_value = new QLabel(this);
    m_value->setObjectName("homeTileValue");
    // The tile's width decides the figure's size, not the other way round.
    m_value->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    QFont valueFont = m_value->font();
    valueFont.setBold(true);
    valueFont.setPixelSize(kValuePixels);
    m_value->setFont(valueFont);
    m_value->setMinimumHeight(QFontMetrics(valueFont).height());
    m_note = new QLabel(this);
    m_note->setObjectName("homeTileNote");
    m_note->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    layout->addWidget(m_title);
    layout->addWidget(m_value);
    layout->addWidget(m_note);
    layout->addStretch(1);
}

void CHomeTile::Show(const QString& value, const QString& note) {
    m_value->setText(value);
    m_noteText = note;
    m_note->setToolTip(note); // shown whole when the tile is too narrow for it
    FitValue();
}

void CHomeTile::FitValue() {
    const QMargins margins = layout()->contentsMargins();
    const int width = contentsRect().width() - margins.left() - margins.right();
    QFont font = m_value->font();
    font.setPixelSize(
        FittingPixelSize(font, m_value->text(), width, kValuePixels, kSmallestValuePixels));
    m_value->setFont(font);
    m_note->setText(m_note->fontMetrics().elidedText(m_noteText, Qt::ElideRight, width));
}

void CHomeTile::resizeEvent(QResizeEvent* e) {
    QFrame::resizeEvent(e);
    FitValue();
}

void CHomeTile::mouseReleaseEvent(QMouseEvent* e) {
    if (e->button() == Qt::LeftButton && rect().contains(e->position().toPoint()))
        emit Clicked();
    QFrame::mouseReleaseEvent(e);
}

CHomePage::CHomePage(QWidget* parent) : QWidget(parent) {
    setObjectName("homePage");
    setStyleSheet("QWidget#homePage { background: #f3f5f8; }"
                  "QFrame#homeTile { background: white; border: 1px solid #dde3ea;"
                  " border-radius: 8px; }"
                  "QFrame#homeTile:hover { border-color: #3f80c0; }"
                  "QLabel#homeTileTitle { color: #5f6b7a; font-size: 13px; }"
                  "QLabel#homeTileValue { color: #1f4e79; }"
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
    m_todaySales = new CHomeTile(this, QStringLiteral("今日销售"));
    m_todayProfit = new CHomeTile(this, QStringLiteral("今日毛利"));
    m_monthSales = new CHomeTile(this, QStringLiteral("本月销售"));
    m_monthProfit = new CHomeTile(this, QStringLiteral("本月毛利"));
    m_warnings = new CHomeTile(this, QStringLiteral("低于下限的商品"));
    m_receivables = new CHomeTile(this, QStringLiteral("应收合计"));
    // The day's and the month's tiles open their report over this month: today is in it.
    for (CHomeTile* t : {m_todaySales, m_monthSales})
        connect(t, &CHomeTile::Clicked, this,
                [this] { Open(kSalesReport, kSalesByGoods, MonthPreset()); });
    for (CHomeTile* t : {m_todayProfit, m_monthProfit})
        connect(t, &CHomeTile::Clicked, this, [this] { Open(kProfitReport, "", MonthPreset()); });
    connect(m_warnings, &CHomeTile::Clicked, this, [this] { Open(kWarnings, "", {}); });
    connect(m_receivables, &CHomeTile::Clicked, this, [this] { Open(kStatement, "", {}); });
    for (CHomeTile* t :
         {m_todaySales, m_todayProfit, m_monthSales, m_monthProfit, m_warnings, m_receivables})
        tiles->addWidget(t, 1);
    outer->addLayout(tiles);

    auto* grid = new QGridLayout;
    grid->setSpacing(12);
    m_daily = MakeChartView(this, QStringLiteral("近30天每日销售"));
    m_monthly = MakeChartView(this, QStringLiteral("近12个月销售"));
    m_bestSellers = MakeChartView(this, QStringLiteral("本月畅销商品（数量）"));
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
    m_debtors->setColumnWidth(1, 130);
    m_debtors->verticalHeader()->setDefaultSectionSize(30);
    m_debtors->setEditTriggers(QAbstractItemView::NoEditTriggers);
    m_debtors->setSelectionMode(QAbstractItemView::NoSelection);
    m_debtors->setFocusPolicy(Qt::NoFocus);
    m_debtors->setCursor(Qt::PointingHandCursor);
    m_debtors->setToolTip(QStringLiteral("点击查看往来对账"));
    m_debtors->viewport()->installEventFilter(this);
    debtorsLayout->addWidget(debtorsTitle);
    debtorsLayout->addWidget(m_debtors, 1);

    grid->addWidget(m_daily, 0, 0);
    grid->addWidget(m_monthly, 0, 1);
    grid->addWidget(m_bestSellers, 1, 0);
    grid->addWidget(debtorsBox, 1, 1);
    grid->setColumnStretch(0, 1);
    grid->setColumnStretch(1, 1);
    outer->addLayout(grid, 1);

    // A posting in a window over the page: read again once that window's events are done; a
    // hidden page reads when it shows again.
    connect(&CPostingNotice::Instance(), &CPostingNotice::Posted, this, [this] {
        if (!isVisible()) {
            m_stale = true;
            return;
        }
        QueueRefresh();
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

WindowPreset CHomePage::MonthPreset() const {
    const QDate today = QDate::fromString(Q(m_figures.today), Qt::ISODate);
    return {QDate(today.year(), today.month(), 1), today, {}};
}

void CHomePage::Open(const char* window, const char* command, const WindowPreset& preset) {
    OpenWindow(this->window(), QString::fromLatin1(window), QString::fromLatin1(command), preset);
}

void CHomePage::showEvent(QShowEvent* e) {
    QWidget::showEvent(e);
    if (m_stale)
        Refresh();
}

void CHomePage::QueueRefresh() {
    if (m_refreshQueued)
        return;
    m_refreshQueued = true;
    QTimer::singleShot(0, this, [this] {
        m_refreshQueued = false;
        Refresh();
    });
}

void CHomePage::Refresh() {
    // A message of this refresh's readers runs an event loop of its own, where the minute's timer
    // or a posting may ask again: that read follows this one instead of refilling its figures.
    if (m_refreshing) {
        m_refreshAfter = true;
        return;
    }
    m_refreshing = true;
    // Every reader runs from here, once; what follows and every paint only draws m_figures.
    m_stale = false;
    ++m_generation;
    const HomeFigures previous = std::move(m_figures);
    m_figures = HomeFiguresOf();
    // What was read last stays drawn (and clickable) until the new lists are in, through any
    // number of refreshes meanwhile.
    m_listsShown = (previous.listsRead || m_listsShown) &&
                   m_figures.showsWarnings == previous.showsWarnings &&
                   m_figures.showsReceivables == previous.showsReceivables;
    if (m_listsShown && !m_figures.listsRead) {
        m_figures.belowLowerLimit = previous.belowLowerLimit;
        m_figures.receivableTotal = previous.receivableTotal;
        m_figures.debtors = previous.debtors;
    }
    LoadHomeSales(m_figures);
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
    m_receivables->setVisible(f.showsReceivables);
    m_daily->setVisible(f.showsSales);
    m_monthly->setVisible(f.showsSales);
    m_bestSellers->setVisible(f.showsSales);
    m_debtors->parentWidget()->setVisible(f.showsReceivables);
    FillCharts();
    if (!m_figures.listsRead)
        ReadLists();
    m_refreshing = false;
    if (std::exchange(m_refreshAfter, false))
        QueueRefresh();
    ShowLists();
    if (f.listsRead)
        emit FiguresRead();
}

void CHomePage::BeforeListsReadForTest(std::function<void()> action) {
    BeforeListsRead() = std::move(action);
}

void CHomePage::ReadLists() {
    // One read at a time, never waited for: on a server the balances take a second, and refreshes
    // coming meanwhile (postings in other windows) are all answered by one read after it, which
    // TakeLists starts when the running one turns out to be of an earlier refresh.
    if (m_listsReading)
        return;
    if (m_lists.joinable())
        m_lists.join(); // ended: it handed its lists over before returning
    // Read while the charts are painted; told and drawn on this thread when they are in (the
    // thread tells nothing itself). The read starts from none: what the page carries is drawn,
    // not read.
    auto unread = [this] {
        HomeFigures lists = m_figures;
        lists.belowLowerLimit = 0;
        lists.receivableTotal = {};
        lists.debtors.clear();
        return lists;
    };
    try {
        m_lists = std::jthread([this, generation = m_generation, lists = unread()]() mutable {
            CHeldMessages held;
            try {
                if (BeforeListsRead())
                    BeforeListsRead()();
                LoadHomeLists(lists);
            } catch (...) { // nothing may leave the thread: lists not read
                lists.ok = false;
                lists.listsRead = true;
            }
            QMetaObject::invokeMethod(
                this,
                [this, generation, lists = std::move(lists), messages = held.Take()] {
                    TakeLists(generation, lists, messages);
                },
                Qt::QueuedConnection);
        });
        m_listsReading = true;
    } catch (const std::system_error&) { // no thread to be had: read them here
        HomeFigures lists = unread();
        try {
            LoadHomeLists(lists);
        } catch (...) {
            lists.ok = false;
            lists.listsRead = true;
        }
        TakeListFigures(lists);
    }
}

void CHomePage::TakeListFigures(const HomeFigures& lists) {
    m_figures.belowLowerLimit = lists.belowLowerLimit;
    m_figures.receivableTotal = lists.receivableTotal;
    m_figures.debtors = lists.debtors;
    m_figures.ok = m_figures.ok && lists.ok;
    m_figures.listsRead = true;
}

void CHomePage::TakeLists(int generation, const HomeFigures& lists,
                          const std::vector<std::string>& messages) {
    m_listsReading = false;
    if (generation != m_generation) { // a later refresh came: its own read, now
        if (!m_figures.listsRead) {
            ReadLists();
            if (m_figures.listsRead) { // read here: no thread to be had
                m_listsShown = true;
                ShowLists();
                emit FiguresRead();
            }
        }
        return;
    }
    TakeListFigures(lists);
    m_listsShown = true;
    ShowLists();
    emit FiguresRead();
    // Told last: a message's own event loop may run a later refresh.
    for (const std::string& text : messages)
        Messages().Inform(text);
}

void CHomePage::ShowLists() {
    const HomeFigures& f = m_figures;
    if (!f.listsRead && !m_listsShown) {
        m_warnings->Show(QStringLiteral("…"), QStringLiteral("读取中"));
        m_receivables->Show(QStringLiteral("…"), QStringLiteral("读取中"));
        m_debtors->setRowCount(0);
        return;
    }
    m_warnings->Show(QString::number(f.belowLowerLimit) + QStringLiteral(" 种"),
                     f.belowLowerLimit > 0 ? QStringLiteral("需要补货")
                                           : QStringLiteral("库存充足"));
    m_receivables->Show(Q(HomeAmountText(f, f.receivableTotal)), QStringLiteral("全部往来单位"));
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
        QChart* chart = RenewChart(view);
        if (f.hidesAmounts || points.empty())
            return;
        auto* series = new QLineSeries;
        QPen pen(kAccent);
        pen.setWidth(2);
        series->setPen(pen);
        series->setPointsVisible(true);
        double bottom = 0, top = 0;
        for (const auto& p : points) {
            bottom = std::min(bottom, ChartValue(p.amount));
            top = std::max(top, ChartValue(p.amount));
        }
        const bool inWan = std::max(top, -bottom) >= kLargeAmount;
        const double scale = inWan ? kWan : 1.0;
        for (size_t i = 0; i < points.size(); ++i)
            series->append(static_cast<double>(i), ChartValue(points[i].amount) / scale);
        chart->addSeries(series);
        // A label each fifth day ("MM-dd") or each second month ("M月"), the last one the
        // current: twelve month labels do not fit a chart of a small screen.
        const size_t every = daily ? 5 : 2;
        auto* axis = new QCategoryAxis;
        axis->setLabelsPosition(QCategoryAxis::AxisLabelsPositionOnValue);
        axis->setRange(0, static_cast<double>(points.size() - 1));
        for (size_t i = (points.size() - 1) % every; i < points.size(); i += every)
            axis->append(daily ? Q(points[i].period.substr(5))
                               : QString::number(std::stoi(points[i].period.substr(5))) +
                                     QStringLiteral("月"),
                         static_cast<double>(i));
        chart->addAxis(axis, Qt::AlignBottom);
        series->attachAxis(axis);
        QValueAxis* values = AmountAxis(bottom / scale, top / scale, inWan);
        chart->addAxis(values, Qt::AlignLeft);
        series->attachAxis(values);
    };
    line(m_daily, f.daily, true);
    line(m_monthly, f.monthly, false);

    QChart* chart = RenewChart(m_bestSellers);
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
    counts->setRange(0, std::max(top, 4.0)); // whole steps: at least 0 to 4
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
    if (event->type() != QEvent::MouseButtonRelease ||
        static_cast<QMouseEvent*>(event)->button() != Qt::LeftButton)
        return QWidget::eventFilter(object, event);
    // A debtor's row opens that unit's statement; the list below the rows, the statement.
    if (object == m_debtors->viewport()) {
        const QPoint at = static_cast<QMouseEvent*>(event)->position().toPoint();
        const int row = m_debtors->rowAt(at.y());
        WindowPreset preset;
        if (row >= 0 && static_cast<size_t>(row) < m_figures.debtors.size())
            preset.unit = Q(m_figures.debtors[static_cast<size_t>(row)].name);
        Open(kStatement, "", preset);
        return true;
    }
    // The charts are this month's sales (the daily and monthly ones end in it).
    for (QChartView* view : {m_daily, m_monthly, m_bestSellers}) {
        if (object == view->viewport()) {
            Open(kSalesReport, kSalesByGoods, MonthPreset());
            return true;
        }
    }
    return QWidget::eventFilter(object, event);
}
