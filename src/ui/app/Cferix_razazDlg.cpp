#include "Cferix_razazDlg.h"

#include "CAboutDlg.h"
#include "CHelpDlg.h"
#include "CLoginDlg.h"
#include "CTipDlg.h"
#include "CommandRouting.h"
#include "MainPanels.h"
#include "StockWarningNotice.h"
#include "UrlOpener.h"

#include "admin/RoleAdmin.h"
#include "home/CHomePage.h"
#include "port/MessagePort.h"

#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QShortcut>
#include <QStatusBar>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
struct ModuleButton {
    const char* text;
    const char* icon;
    bool visible;
};
// Panel numbers 1..7, in the order of the module buttons.
const ModuleButton kModules[7] = {
    {"采购管理", "purchase", true}, {" 销售管理", "sale", true},     {"库存管理", "stock", true},
    {"财务管理", "finance", true},  {"预留按钮", "reserved", false}, {"基础数据", "goods", true},
    {"系统设置", "settings", true},
};
const ModuleButton kHome = {"首页", "home", true};
} // namespace

Cferix_razazDlg::Cferix_razazDlg(QWidget* parent) : QMainWindow(parent) {
    setWindowTitle(QStringLiteral("ferix_razaz 进销存管理"));
    setWindowIcon(QIcon(":/icons/app.svg"));
    resize(1200, 760);
    // Escape closes like the close box, with the same question.
    auto* esc = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(esc, &QShortcut::activated, this, &QWidget::close);
}

bool Cferix_razazDlg::Start() {
    hide();
    CLoginDlg login(this);
    if (login.exec() != QDialog::Accepted)
        return false;
    BuildAfterLogin();
    showMaximized();
    StartNoticeFetch(this);
    return true;
}

void Cferix_razazDlg::BuildAfterLogin() {
    if (m_built)
        return;
    m_built = true;
    auto* central = new QWidget(this);
    auto* outer = new QHBoxLayout(central);
    outer->setContentsMargins(0, 0, 0, 0);
    outer->setSpacing(0);

    auto* side = new QWidget(central);
    side->setObjectName("moduleBar");
    side->setStyleSheet(
        "QWidget#moduleBar { background: #1f4e79; }"
        "QWidget#moduleBar QToolButton { color: white; border: 1px solid transparent;"
        " padding: 8px; border-radius: 6px; }"
        "QWidget#moduleBar QToolButton:hover { background: #2e6aa3; }"
        "QWidget#moduleBar QToolButton:checked { background: #3f80c0; }"
        // Keyboard focus is only outlined: a filled button always means the shown module.
        "QWidget#moduleBar QToolButton:focus { outline: none;"
        " border: 1px solid rgba(255, 255, 255, 160); }");
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(8, 12, 8, 12);
    sideLayout->setSpacing(6);
    // The home page's button first, then the modules' (panel number i + 1).
    for (int i = -1; i < 7; ++i) {
        auto* b = new QToolButton(side);
        const auto& module = i < 0 ? kHome : kModules[i];
        b->setText(QString::fromUtf8(module.text));
        b->setIcon(QIcon(QString(":/icons/%1.svg").arg(module.icon)));
        b->setIconSize(QSize(40, 40));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setCheckable(true);
        b->setAutoExclusive(true);
        // A click takes the focus along, so it never stays behind on another module.
        b->setFocusPolicy(Qt::StrongFocus);
        b->setMinimumSize(104, 84);
        b->setCursor(Qt::PointingHandCursor);
        b->setVisible(module.visible);
        connect(b, &QToolButton::clicked, this, [this, i] { SelectPanel(i + 1); });
        if (i < 0)
            m_homeButton = b;
        else
            m_moduleButtons[static_cast<size_t>(i)] = b;
        sideLayout->addWidget(b);
    }
    sideLayout->addStretch(1);
    outer->addWidget(side);

    // Every panel lies exactly over the placeholder area.
    m_placeholder = new QWidget(central);
    auto* stack = new QGridLayout(m_placeholder);
    stack->setContentsMargins(0, 0, 0, 0);
    outer->addWidget(m_placeholder, 1);

    // Created in the order purchasing, finance, basic data, stock, sales, system, reserved.
    m_panels[0] = new CMainCaigouDlg(m_placeholder);
    m_panels[3] = new CMainRazazDlg(m_placeholder);
    m_panels[5] = new CMainJichushujuDlg(m_placeholder);
    m_panels[2] = new CMainKucunDlg(m_placeholder);
    m_panels[1] = new CMainXiaoshouDlg(m_placeholder);
    m_panels[6] = new CMainXitongDlg(m_placeholder);
    m_panels[4] = new CMainYuliuDlg(m_placeholder);
    for (auto* p : m_panels)
        stack->addWidget(p, 0, 0);
    m_home = new CHomePage(m_placeholder);
    stack->addWidget(m_home, 0, 0);
    setCentralWidget(central);
    // A module whose panel holds nothing the role may open is not offered.
    int first = 0;
    for (int i = 0; i < 7; ++i) {
        const bool offered = kModules[i].visible && m_panels[static_cast<size_t>(i)]->HasItems();
        m_moduleButtons[static_cast<size_t>(i)]->setVisible(offered);
        if (offered && first == 0)
            first = i + 1;
    }

    BuildMenu();
    BuildStatusBar();
    // The home page comes first when the role sees any of its figures.
    m_homeButton->setVisible(m_home->HasFigures());
    SelectPanel(m_home->HasFigures() ? 0 : first == 0 ? 1 : first);
}

void Cferix_razazDlg::SelectPanel(int number) {
    if (number < 0 || number > 7)
        return;
    for (int i = 0; i < 7; ++i)
        m_panels[static_cast<size_t>(i)]->setVisible(i + 1 == number);
    m_home->setVisible(number == 0);
    if (auto* b = ModuleButton(number))
        b->setChecked(true);
}

CMainPanel* Cferix_razazDlg::Panel(int number) const {
    return number >= 1 && number <= 7 ? m_panels[static_cast<size_t>(number - 1)] : nullptr;
}

QToolButton* Cferix_razazDlg::ModuleButton(int number) const {
    if (number == 0)
        return m_homeButton;
    return number >= 1 && number <= 7 ? m_moduleButtons[static_cast<size_t>(number - 1)] : nullptr;
}

void Cferix_razazDlg::BuildMenu() {
    QMenuBar* bar = menuBar();
    auto route = [this](QMenu* menu, const char* text) {
        QAction* a = menu->addAction(QString::fromUtf8(text));
        const QString item = QString::fromUtf8(text);
        a->setVisible(RouteAllowed(QString::fromLatin1(Place::Menu), item));
        connect(a, &QAction::triggered, this, [this, item] { OpenRoute(this, Place::Menu, item); });
        return a;
    };

    QMenu* sys = bar->addMenu(QStringLiteral("系统设置(&A)"));
    route(sys, "系统设置");
    route(sys, "查看日志");
    sys->addSeparator();
    route(sys, "管理员管理");
    route(sys, "角色管理");
    route(sys, "修改密码");
    sys->addSeparator();
    route(sys, "备份数据");
    route(sys, "恢复数据");
    route(sys, "数据校验");
    sys->addSeparator();
    QAction* exit = sys->addAction(QStringLiteral("退出"));
    connect(exit, &QAction::triggered, this, &QWidget::close);

    QMenu* purchase = bar->addMenu(QStringLiteral("进货管理(&C)"));
    route(purchase, "进货开单");
    route(purchase, "办理进货退货");
    route(purchase, "采购订单");

    QMenu* sale = bar->addMenu(QStringLiteral("销售管理(&S)"));
    route(sale, "销售开单");
    route(sale, "办理销售退货");
    route(sale, "销售订单");

    QMenu* stock = bar->addMenu(QStringLiteral("库存管理(&P)"));
    route(stock, "报损单");
    route(stock, "报溢单");
    route(stock, "存货调价");
    route(stock, "移库单");
    route(stock, "盘点单");
    route(stock, "库存预警");

    QMenu* finance = bar->addMenu(QStringLiteral("财务管理(&F)"));
    route(finance, "收款单");
    route(finance, "付款单");
    route(finance, "往来对账");
    route(finance, "账户余额");

    QMenu* reports = bar->addMenu(QStringLiteral("报表管理(&R)"));
    QMenu* purchaseReports = reports->addMenu(QStringLiteral("进货报表"));
    route(purchaseReports, "按商品统计报表");
    route(purchaseReports, "按经手人统计报表");
    route(purchaseReports, "按部门统计报表");
    route(purchaseReports, "进货历史记录报表");
    QMenu* saleReports = reports->addMenu(QStringLiteral("销售报表"));
    route(saleReports, "按商品查看报表");
    route(saleReports, "按经手人查看报表");
    route(saleReports, "按部门查看报表");
    route(saleReports, "销售历史记录报表");
    route(reports, "进货退货报表");
    route(reports, "销售退货报表");
    route(reports, "移库记录");
    for (const char* item : {"报损记录", "报溢记录", "调价记录", "收款记录", "付款记录"})
        route(reports, item);
    route(reports, "销售利润报表");

    // A menu left without an entry the role may open is not offered either.
    for (QMenu* menu : {purchaseReports, saleReports, purchase, sale, stock, finance, reports}) {
        const auto actions = menu->actions();
        menu->menuAction()->setVisible(std::any_of(actions.begin(), actions.end(), [](QAction* a) {
            return a->isVisible() && !a->isSeparator();
        }));
    }

    QMenu* help = bar->addMenu(QStringLiteral("帮助(&H)"));
    connect(help->addAction(QStringLiteral("打开帮助内容(&O)")), &QAction::triggered, this, [this] {
        CHelpDlg page(this);
        page.exec();
    });
    connect(help->addAction(QStringLiteral("检测升级(&U)")), &QAction::triggered, this,
            [] { Messages().Inform(UpdateCheckText()); });
    connect(help->addAction(QStringLiteral("关于(&A)")), &QAction::triggered, this, [this] {
        CAboutDlg about(this);
        about.exec();
    });
}

void Cferix_razazDlg::BuildStatusBar() {
    m_statusReady = new QLabel(QStringLiteral("就绪"), this);
    m_statusReady->setFixedWidth(200);
    m_statusColumns = new QLabel(QStringLiteral("分栏"), this);
    statusBar()->addWidget(m_statusReady);
    statusBar()->addWidget(m_statusColumns, 1);
    statusBar()->setFixedHeight(25);
    // The warning names goods and quantities: only for roles that may look at it.
    if (!CurrentRights().Allows("stock_warnings", Action::View))
        return;
    auto* notice = new CStockWarningNotice(m_statusColumns);
    // The home page has counted them already, and counts them on each of its reads.
    if (!m_home->Figures().showsWarnings) {
        notice->Refresh();
        return;
    }
    notice->Show(m_home->Figures().belowLowerLimit);
    connect(m_home, &CHomePage::FiguresRead, notice,
            [this, notice] { notice->Show(m_home->Figures().belowLowerLimit); });
}

void Cferix_razazDlg::closeEvent(QCloseEvent* e) {
    if (!m_built || Messages().AskYesNo("确定要退出吗？"))
        e->accept();
    else
        e->ignore();
}

void Cferix_razazDlg::keyPressEvent(QKeyEvent* e) {
    // Enter does nothing in the main window.
    if (e->key() == Qt::Key_Return || e->key() == Qt::Key_Enter) {
        e->accept();
        return;
    }
    QMainWindow::keyPressEvent(e);
}
