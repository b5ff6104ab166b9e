#include "CChild_Kucun_PandianDlg.h"

#include "CPaletteListDlg.h"
#include "PostingNotice.h"
#include "port/MessagePort.h"
#include "query/StockView.h"
#include "widgets/CListCtrlEx.h"
#include "widgets/CUnderLineEdit.h"

#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QIcon>
#include <QKeyEvent>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
QString Q(const std::string& s) {
    return QString::fromStdString(s);
}

enum Column { kCode, kName, kUnit, kBook, kPacked, kCounted, kDifference };
} // namespace

CChild_Kucun_PandianDlg::CChild_Kucun_PandianDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("CChild_Kucun_PandianDlg");
    setWindowTitle(QStringLiteral("盘点单"));
    setWindowFlag(Qt::WindowMaximizeButtonHint, true);

    // The look of the bill windows: a large title, underlined header fields, the grid.
    m_title = new QLabel(QStringLiteral("盘点单"), this);
    m_title->setObjectName("billTitle");
    m_title->setAlignment(Qt::AlignCenter);
    QFont font = m_title->font();
    font.setPixelSize(26);
    font.setBold(true);
    m_title->setFont(font);
    m_title->setStyleSheet("QLabel#billTitle { color: #1f4e79; padding: 4px; }");

    m_number = new CUnderLineEdit(this);
    m_number->setReadOnly(true);
    m_number->setMinimumWidth(150);
    m_warehouse = new CUnderLineEdit(this);
    m_warehouse->setMinimumWidth(150);
    m_warehouse->installEventFilter(this); // F4 opens the picker, as in the bill windows
    m_warehouseIcon = new QToolButton(this);
    m_warehouseIcon->setObjectName("palette_cangku");
    m_warehouseIcon->setIcon(QIcon(":/icons/picker.svg"));
    m_warehouseIcon->setIconSize(QSize(18, 18));
    m_warehouseIcon->setAutoRaise(true);
    m_warehouseIcon->setToolTip(QStringLiteral("请在列表中选择 (F4)"));
    m_warehouseIcon->setCursor(Qt::PointingHandCursor);
    m_warehouseIcon->setFocusPolicy(Qt::NoFocus);
    auto* warehouseBox = new QHBoxLayout;
    warehouseBox->setSpacing(2);
    warehouseBox->addWidget(m_warehouse, 1);
    warehouseBox->addWidget(m_warehouseIcon);

    m_class = new QComboBox(this);
    m_class->setMinimumContentsLength(10);
    for (const auto& name : CountClassChoices())
        m_class->addItem(Q(name));

    auto button = [this](const QString& text) {
        auto* b = new QPushButton(text, this);
        b->setAutoDefault(false);
        b->setMinimumWidth(84);
        return b;
    };
    m_load = button(QStringLiteral("载入库存"));
    m_save = button(QStringLiteral("保存"));
    m_cancel = button(QStringLiteral("取消"));

    auto label = [this](const QString& text) {
        auto* l = new QLabel(text, this);
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        return l;
    };
    auto* header = new QGridLayout;
    header->setHorizontalSpacing(8);
    header->setVerticalSpacing(10);
    header->addWidget(label(QStringLiteral("编号：")), 0, 0);
    header->addWidget(m_number, 0, 1);
    header->addWidget(label(QStringLiteral("仓库：")), 1, 0);
    header->addLayout(warehouseBox, 1, 1);
    header->addWidget(label(QStringLiteral("商品分类：")), 1, 2);
    header->addWidget(m_class, 1, 3);
    header->addWidget(m_load, 1, 4);
    header->setColumnStretch(1, 1);
    header->setColumnStretch(3, 1);

    m_grid = new CListCtrlEx(this);
    m_grid->setObjectName("billGrid");
    const std::pair<const char*, int> columns[] = {
        {"商品编码", 90}, {"商品名称", 180}, {"单位", 60}, {"账面数量", 90},
        {"折合", 110},    {"实盘数量", 90},  {"差异", 80}};
    int c = 0;
    for (const auto& [title, width] : columns)
        m_grid->InsertColumn(c++, QString::fromUtf8(title), width);
    m_grid->AddEditableCell(-1, kCounted); // only the counted quantity is typed
    m_linesGroup = new QGroupBox(QStringLiteral("商品列表"), this);
    auto* linesLayout = new QVBoxLayout(m_linesGroup);
    linesLayout->addWidget(m_grid);

    auto* bottom = new QHBoxLayout;
    bottom->addStretch(1);
    bottom->addWidget(m_save);
    bottom->addWidget(m_cancel);

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(16, 10, 16, 12);
    layout->addWidget(m_title);
    layout->addLayout(header);
    layout->addSpacing(4);
    layout->addWidget(m_linesGroup, 1);
    layout->addLayout(bottom);

    QWidget* chain[] = {m_warehouse, m_class, m_load, m_grid, m_save, m_cancel};
    for (size_t i = 1; i < std::size(chain); ++i)
        setTabOrder(chain[i - 1], chain[i]);

    connect(m_warehouseIcon, &QToolButton::clicked, this,
            &CChild_Kucun_PandianDlg::OnPickWarehouse);
    connect(m_load, &QPushButton::clicked, this, &CChild_Kucun_PandianDlg::OnLoad);
    connect(m_save, &QPushButton::clicked, this, &CChild_Kucun_PandianDlg::OnSave);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_grid, &CListCtrlEx::CellEdited, this,
            [this](int row, int column, bool) { OnCellEdited(row, column); });
    connect(m_warehouse, &QLineEdit::textChanged, this, &CChild_Kucun_PandianDlg::DropCount);
    connect(m_class, &QComboBox::currentIndexChanged, this, &CChild_Kucun_PandianDlg::DropCount);
    resize(820, 560);
}

CChild_Kucun_PandianDlg::~CChild_Kucun_PandianDlg() {
    // An open cell editor commits while the window goes; it must not reach a half-gone window.
    m_grid->disconnect(this);
}

void CChild_Kucun_PandianDlg::OnPickWarehouse() {
    CPaletteListDlg picker(this);
    picker.SetKind(QStringLiteral("palette_cangku"));
    if (picker.exec() == QDialog::Accepted)
        m_warehouse->setText(picker.m_chosenName);
}

void CChild_Kucun_PandianDlg::DropCount() {
    if (!m_count)
        return;
    m_grid->CommitActiveEditor();
    m_count.reset();
    ShowCount();
}

void CChild_Kucun_PandianDlg::OnLoad() {
    m_grid->CommitActiveEditor();
    m_count =
        LoadStockCount(m_warehouse->text().toStdString(), m_class->currentText().toStdString());
    m_packing = m_count ? LoadGoodsPacking() : std::nullopt;
    ShowCount();
}

void CChild_Kucun_PandianDlg::ShowCount() {
    m_number->setText(m_count ? Q(m_count->number) : QString());
    std::vector<QStringList> rows;
    if (m_count) {
        for (const CountLine& l : m_count->lines)
            rows.push_back({Q(l.code), Q(l.name), Q(l.unit), QString::number(l.book),
                            m_packing ? Q(m_packing->Packed(l.code, l.book)) : QString(),
                            Q(l.counted), Q(CountDifference(l))});
    }
    m_grid->SetRows(std::move(rows));
}

void CChild_Kucun_PandianDlg::OnCellEdited(int row, int column) {
    if (!m_count || column != kCounted || row < 0 || size_t(row) >= m_count->lines.size())
        return;
    CountLine& line = m_count->lines[size_t(row)];
    line.counted = m_grid->GetItemText(row, column).toStdString();
    m_grid->SetItemText(row, kDifference, Q(CountDifference(line)));
}

void CChild_Kucun_PandianDlg::OnSave() {
    m_grid->CommitActiveEditor();
    if (!m_count) {
        Messages().Inform(kCountNotLoadedText);
        return;
    }
    CountPosted posted;
    switch (CountStock(*m_count, posted)) {
    case CountOutcome::Posted:
        CPostingNotice::Instance().Tell();
        Messages().Inform(CountPostedText(posted));
        // The book quantities now are the counted ones: a fresh count of the same choice.
        OnLoad();
        break;
    case CountOutcome::NoDifference:
        Messages().Inform(kCountNoDifferenceText);
        break;
    default:
        break; // the count said why; the typed quantities stay for correcting or reloading
    }
}

bool CChild_Kucun_PandianDlg::eventFilter(QObject* object, QEvent* event) {
    if (object == m_warehouse && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent*>(event)->key() == Qt::Key_F4) {
        m_warehouseIcon->click();
        return true;
    }
    return QDialog::eventFilter(object, event);
}
