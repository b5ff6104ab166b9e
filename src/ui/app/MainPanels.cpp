#include "MainPanels.h"

#include "CommandRouting.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QIcon>
#include <QLabel>
#include <QPainter>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

#include <algorithm>

namespace {
const char* const kLabelRow1[] = {"√  商品管理", "√  往来单位管理", "√  员工管理", "√  部门管理",
                                  "√  仓库管理"};
const char* const kLabelRow2[] = {"■ 采购记录报表", "■ 采购退货记录报表", "■ 销售记录报表",
                                  "■ 销售退货记录报表"};
} // namespace

CMainPanel::CMainPanel(QWidget* parent, const QString& title, const char* place,
                       const std::vector<Item>& buttons, bool withLabelRows, bool handCursor)
    : QWidget(parent) {
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(32, 24, 32, 24);
    auto* heading = new QLabel(title, this);
    heading->setObjectName("panelTitle");
    heading->setStyleSheet(
        "QLabel#panelTitle { font-size: 16pt; font-weight: bold; color: #1f4e79; }");
    layout->addWidget(heading);
    layout->addSpacing(16);

    auto* grid = new QGridLayout;
    grid->setSpacing(18);
    int column = 0, row = 0;
    for (const auto& item : buttons) {
        auto* b = new QToolButton(this);
        b->setText(QString::fromUtf8(item.text));
        b->setToolButtonStyle(Qt::ToolButtonTextUnderIcon);
        b->setIcon(QIcon(QString(":/icons/%1.svg").arg(item.icon ? item.icon : "bill")));
        b->setIconSize(QSize(48, 48));
        b->setMinimumSize(120, 96);
        b->setAutoRaise(false);
        b->setFocusPolicy(Qt::StrongFocus);
        if (handCursor)
            b->setCursor(Qt::PointingHandCursor);
        AddItem(place, b->text(), b);
        // What the role may not open is not offered.
        const bool shown = item.visible && RouteAllowed(QString::fromLatin1(place), b->text());
        b->setVisible(shown);
        if (!shown)
            continue; // hidden buttons keep no place in the grid
        grid->addWidget(b, row, column);
        if (++column == 4) {
            column = 0;
            ++row;
        }
    }
    grid->setColumnStretch(4, 1);
    layout->addLayout(grid);
    layout->addStretch(1);

    if (withLabelRows) {
        for (const auto& labels :
             {std::vector<const char*>(std::begin(kLabelRow1), std::end(kLabelRow1)),
              std::vector<const char*>(std::begin(kLabelRow2), std::end(kLabelRow2))}) {
            auto* line = new QHBoxLayout;
            for (const char* text : labels)
                line->addWidget(MakeLabel(Place::Labels, text));
            line->addStretch(1);
            layout->addLayout(line);
            m_lastLabelRow = line;
        }
    }
}

QAbstractButton* CMainPanel::MakeLabel(const char* place, const char* text) {
    auto* l = new QPushButton(QString::fromUtf8(text), this);
    l->setFlat(true);
    l->setCursor(Qt::PointingHandCursor);
    l->setStyleSheet("QPushButton { color: #1f4e79; border: none; padding: 2px 8px;"
                     " background: transparent; text-align: left; }"
                     "QPushButton:hover { text-decoration: underline; }"
                     "QPushButton:focus { text-decoration: underline; }");
    l->setVisible(RouteAllowed(QString::fromLatin1(place), l->text()));
    return AddItem(place, l->text(), l);
}

void CMainPanel::AddOwnLabel(const char* place, const char* text) {
    if (m_lastLabelRow) // before the stretch that closes the row
        m_lastLabelRow->insertWidget(m_lastLabelRow->count() - 1, MakeLabel(place, text));
}

QAbstractButton* CMainPanel::AddItem(const char* place, const QString& text,
                                     QAbstractButton* button) {
    const QString p = QString::fromLatin1(place);
    connect(button, &QAbstractButton::clicked, this,
            [this, p, text] { OpenRoute(window(), p, text); });
    m_items.append(button);
    return button;
}

QAbstractButton* CMainPanel::FindItem(const QString& text) const {
    for (auto* b : m_items) {
        if (b->text() == text)
            return b;
    }
    return nullptr;
}

bool CMainPanel::HasItems() const {
    return std::any_of(m_items.begin(), m_items.end(),
                       [](const QAbstractButton* b) { return !b->isHidden(); });
}

void CMainPanel::paintEvent(QPaintEvent*) {
    QPainter p(this);
    QLinearGradient g(0, 0, 0, height());
    g.setColorAt(0, QColor(0xf7, 0xfa, 0xfd));
    g.setColorAt(1, QColor(0xe4, 0xec, 0xf6));
    p.fillRect(rect(), g);
}

CMainCaigouDlg::CMainCaigouDlg(QWidget* parent)
    : CMainPanel(parent, QStringLiteral("采购管理"), Place::Caigou,
                 {{"进货开单", "purchase"},
                  {"退货单", "return"},
                  {"库存状况", "stock"},
                  {"付款单", "payment"},
                  {"订单", "bill"}},
                 true, false) {}

CMainXiaoshouDlg::CMainXiaoshouDlg(QWidget* parent)
    : CMainPanel(parent, QStringLiteral("销售管理"), Place::Xiaoshou,
                 {{"销售单", "sale"},
                  {"销售退货单", "return"},
                  {"库存状况", "stock"},
                  {"收款单", "receipt"},
                  {"订单", "bill"}},
                 true, true) {
    AddOwnLabel(Place::Xiaoshou, "■ 销售利润报表");
}

CMainKucunDlg::CMainKucunDlg(QWidget* parent)
    : CMainPanel(parent, QStringLiteral("库存管理"), Place::Kucun,
                 {{"查看库存", "stock"},
                  {"报溢单", "gain"},
                  {"报损单", "loss"},
                  {"调价单", "price"},
                  {"移库单", "warehouse"},
                  {"盘点单", "count"},
                  {"库存预警", "warning"}},
                 true, true) {}

CMainRazazDlg::CMainRazazDlg(QWidget* parent)
    : CMainPanel(parent, QStringLiteral("财务管理"), Place::Caiwu,
                 {{"收款单", "receipt"},
                  {"付款单", "payment"},
                  {"往来对账", "statement"},
                  {"账户余额", "bank"}},
                 false, true) {}

CMainYuliuDlg::CMainYuliuDlg(QWidget* parent)
    : CMainPanel(parent, QStringLiteral("预留窗体"), "", {}, false, true) {}

CMainJichushujuDlg::CMainJichushujuDlg(QWidget* parent)
    : CMainPanel(parent, QStringLiteral("基础数据"), Place::Jichu,
                 {{"商品管理", "goods"},
                  {"商品分类", "classes"},
                  {"银行信息", "bank"},
                  {"往来单位信息", "customer"},
                  {"员工管理", "employee"},
                  {"部门管理", "department"},
                  {"基本单位", "unit"},
                  {"地区信息", "area"},
                  {"仓库管理", "warehouse"},
                  {"期初数据", "goods"},
                  {"收入项目(隐藏)", nullptr, false},
                  {"支出项目(隐藏)", nullptr, false}},
                 false, true) {}

CMainXitongDlg::CMainXitongDlg(QWidget* parent)
    : CMainPanel(parent, QStringLiteral("系统设置"), Place::Xitong,
                 {{"系统配置", "settings"},
                  {"管理员管理", "users"},
                  {"角色管理", "users"},
                  {"修改密码", "password"},
                  {"备份数据", "backup"},
                  {"恢复数据", "restore"},
                  {"数据校验", "log"},
                  {"查看日志", "log"}},
                 false, true) {}
