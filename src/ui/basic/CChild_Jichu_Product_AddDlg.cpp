#include "CChild_Jichu_Product_AddDlg.h"

#include "CChild_Jichu_Product_Class_Dlg.h"
#include "admin/RoleAdmin.h"
#include "basic/GoodsList.h"
#include "basic/SimpleList.h"
#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "rights/PriceVisibility.h"
#include "store/CDataStore.h"
#include "text/Money.h"
#include "text/PinyinInitials.h"
#include "widgets/FormRows.h"
#include "widgets/ModalRunner.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCursor>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <QTableWidget>
#include <QToolButton>
#include <QVBoxLayout>

namespace {
QComboBox* NamesCombo(const char* listKey, QWidget* parent) {
    auto* combo = new QComboBox(parent);
    combo->setEditable(true);
    combo->setInsertPolicy(QComboBox::NoInsert);
    for (const auto& name : SortedConfigNames(listKey))
        combo->addItem(QString::fromStdString(name));
    combo->setCurrentIndex(-1);
    return combo;
}

QLineEdit* PriceEdit(QWidget* parent) {
    auto* edit = new QLineEdit(parent);
    // Non-negative decimals with up to four places, as prices are kept.
    edit->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]*\\.?[0-9]{0,4}")), edit));
    edit->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    return edit;
}

std::string Text(const QLineEdit* edit) {
    return edit->text().toStdString();
}

enum UnitColumn { kUnitName, kUnitFactor, kUnitBarcode, kUnitPriceIn, kUnitPriceOut };

std::string CellText(const QTableWidget* table, int row, int column) {
    const QTableWidgetItem* item = table->item(row, column);
    return item ? item->text().trimmed().toStdString() : std::string();
}
} // namespace

CChild_Jichu_Product_AddDlg::CChild_Jichu_Product_AddDlg(QWidget* parent) : QDialog(parent) {
    setObjectName("CChild_Jichu_Product_AddDlg");
    setWindowTitle(QStringLiteral("添加商品窗口"));
    setWindowIcon(QIcon(QStringLiteral(":/icons/goods.svg")));

    m_code = new QLineEdit(this);
    m_name = new QLineEdit(this);
    m_smartName = new QLineEdit(this);
    m_className = new QLineEdit(this);
    m_className->setReadOnly(true);
    m_className->setFocusPolicy(Qt::NoFocus);
    m_chooseClass = new QToolButton(this);
    m_chooseClass->setIcon(QIcon(QStringLiteral(":/icons/classes.svg")));
    m_chooseClass->setToolTip(QStringLiteral("选择商品类别"));
    m_chooseClass->setAutoRaise(true);
    m_chooseClass->setCursor(
        QCursor(QIcon(QStringLiteral(":/icons/picker.svg")).pixmap(24, 24), 4, 4));
    auto* classRow = new QHBoxLayout;
    classRow->setContentsMargins(0, 0, 0, 0);
    classRow->addWidget(m_className, 1);
    classRow->addWidget(m_chooseClass);
    m_unit = NamesCombo("unit", this);
    m_partNumber = new QLineEdit(this);
    m_specifications = new QLineEdit(this);
    m_origin = NamesCombo("area", this);
    m_retailPrice = PriceEdit(this);
    m_priceIn = PriceEdit(this);
    m_barCode = new QLineEdit(this);
    m_shelfLife = new QLineEdit(this);
    m_inventoryLow = new QLineEdit(this);
    m_inventoryHigh = new QLineEdit(this);
    m_available = new QCheckBox(QStringLiteral("商品是否可用"), this);
    for (auto& edit : m_userDefined)
        edit = new QLineEdit(this);
    m_note = new QLineEdit(this);

    auto* basic = new QGroupBox(this);
    auto* left = new QFormLayout(basic);
    AddFormRows(left, {{"商品编码", m_code},
                       {"商品名称：", m_name},
                       {"简称：", m_smartName},
                       {"商品类别：", classRow},
                       {"基本单位：", m_unit},
                       {"型号：", m_partNumber},
                       {"规格：", m_specifications},
                       {"产地：", m_origin},
                       {"预设零售价：", m_retailPrice},
                       {"预设进价：", m_priceIn}});

    auto* more = new QGroupBox(this);
    auto* right = new QFormLayout(more);
    AddFormRows(right, {{"商品条码：", m_barCode},
                        {"保质期（天）", m_shelfLife},
                        {"库存下限：", m_inventoryLow},
                        {"库存上限：", m_inventoryHigh},
                        {QString(), m_available}});
    for (size_t i = 0; i < m_userDefined.size(); ++i)
        AddFormRows(right, {{QStringLiteral("自定义字段%1：").arg(i + 1), m_userDefined[i]}});
    AddFormRows(right, {{"备注：", m_note}});

    auto* unitsBox = new QGroupBox(QStringLiteral("多单位"), this);
    m_units = new QTableWidget(0, 5, unitsBox);
    m_units->setHorizontalHeaderLabels({QStringLiteral("单位"), QStringLiteral("换算"),
                                        QStringLiteral("条码"), QStringLiteral("进价"),
                                        QStringLiteral("售价")});
    m_units->verticalHeader()->hide();
    m_units->horizontalHeader()->setSectionResizeMode(QHeaderView::Stretch);
    m_units->setSelectionBehavior(QAbstractItemView::SelectRows);
    m_units->setSelectionMode(QAbstractItemView::SingleSelection);
    m_units->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                             QAbstractItemView::AnyKeyPressed);
    m_units->setMinimumHeight(110);
    m_addUnit = new QPushButton(QStringLiteral("添加单位"), unitsBox);
    m_removeUnit = new QPushButton(QStringLiteral("删除单位"), unitsBox);
    auto* unitButtons = new QVBoxLayout;
    unitButtons->addWidget(m_addUnit);
    unitButtons->addWidget(m_removeUnit);
    unitButtons->addStretch(1);
    auto* unitsLayout = new QHBoxLayout(unitsBox);
    unitsLayout->addWidget(m_units, 1);
    unitsLayout->addLayout(unitButtons);

    auto* buttons = ConfirmButtonsRow(this, m_ok, m_cancel);

    auto* columns = new QHBoxLayout;
    columns->addWidget(basic, 1);
    columns->addWidget(more, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(columns);
    layout->addWidget(unitsBox);
    layout->addLayout(buttons);
    setMinimumWidth(680);

    ChainTabOrder({m_code,           m_name,           m_smartName,      m_chooseClass,
                   m_unit,           m_partNumber,     m_specifications, m_origin,
                   m_retailPrice,    m_priceIn,        m_barCode,        m_shelfLife,
                   m_inventoryLow,   m_inventoryHigh,  m_available,      m_userDefined[0],
                   m_userDefined[1], m_userDefined[2], m_userDefined[3], m_note,
                   m_units,          m_addUnit,        m_removeUnit,     m_ok,
                   m_cancel});
    m_code->setFocus();
    HidePrices();

    connect(m_chooseClass, &QToolButton::clicked, this,
            &CChild_Jichu_Product_AddDlg::OnChooseClass);
    // The 助记码 follows the name until the user types one of their own.
    connect(m_name, &QLineEdit::textEdited, this, [this](const QString& name) {
        if (!m_smartName->text().isEmpty() && m_smartName->text() != m_autoSmartName)
            return;
        m_autoSmartName = QString::fromStdString(PinyinInitials(name.toStdString()));
        m_smartName->setText(m_autoSmartName);
    });
    connect(m_addUnit, &QPushButton::clicked, this, [this] {
        AddUnitRow(GoodsUnit());
        m_units->setCurrentCell(m_units->rowCount() - 1, kUnitName);
        m_units->editItem(m_units->item(m_units->rowCount() - 1, kUnitName));
    });
    connect(m_removeUnit, &QPushButton::clicked, this, [this] {
        if (m_units->currentRow() >= 0)
            m_units->removeRow(m_units->currentRow());
    });
    connect(m_ok, &QPushButton::clicked, this, &CChild_Jichu_Product_AddDlg::OnConfirm);
    connect(m_cancel, &QPushButton::clicked, this, &QDialog::reject);
}

CChild_Jichu_Product_AddDlg::CChild_Jichu_Product_AddDlg(const GoodsRecord& stored, QWidget* parent)
    : CChild_Jichu_Product_AddDlg(parent) {
    m_stored = stored;
    setWindowTitle(QStringLiteral("修改商品窗口"));
    auto set = [](QLineEdit* edit, const std::string& text) {
        edit->setText(QString::fromStdString(text));
    };
    set(m_code, stored.Code);
    m_code->setReadOnly(true);
    set(m_name, stored.ProductName);
    set(m_smartName, stored.SmartName);
    set(m_className, stored.ClassName);
    m_unit->setCurrentText(QString::fromStdString(stored.Unit));
    set(m_partNumber, stored.PartNumber);
    set(m_specifications, stored.Specifications);
    m_origin->setCurrentText(QString::fromStdString(stored.ProductingArea));
    set(m_retailPrice, stored.RetailPrice);
    set(m_priceIn, stored.PriceIn);
    set(m_barCode, stored.BarCode);
    set(m_shelfLife, stored.ShelfLife);
    set(m_inventoryLow, stored.InventoryLow);
    set(m_inventoryHigh, stored.InventoryHigh);
    m_available->setChecked(stored.Available == AvailableText(true));
    set(m_userDefined[0], stored.UserDefined1);
    set(m_userDefined[1], stored.UserDefined2);
    set(m_userDefined[2], stored.UserDefined3);
    set(m_userDefined[3], stored.UserDefined4);
    set(m_note, stored.Note);
    // A 助记码 made from the name keeps following it.
    if (stored.SmartName == PinyinInitials(stored.ProductName))
        m_autoSmartName = m_smartName->text();
    CDataStore store;
    if (store.ConnectMain()) {
        if (auto units = ListGoodsUnits(store, stored.Code))
            m_storedUnits = std::move(*units);
    }
    for (const GoodsUnit& u : m_storedUnits)
        AddUnitRow(u);
    m_name->setFocus();
    HidePrices();
}

void CChild_Jichu_Product_AddDlg::AddUnitRow(const GoodsUnit& unit) {
    const int row = m_units->rowCount();
    m_units->insertRow(row);
    const std::string factor = unit.Unit.empty() ? "" : std::to_string(unit.Factor);
    const CRoleRights& rights = CurrentRights();
    auto price = [&](PriceKind kind, const std::string& figure) {
        return HidesPrice(rights, kind) ? std::string(kHiddenFigure) : figure;
    };
    const std::string cells[] = {unit.Unit, factor, unit.BarCode,
                                 price(PriceKind::Purchase, unit.PriceIn),
                                 price(PriceKind::Sale, unit.PriceOut)};
    for (int c = 0; c < 5; ++c) {
        auto* item = new QTableWidgetItem(QString::fromStdString(cells[c]));
        if (c == kUnitFactor || c == kUnitPriceIn || c == kUnitPriceOut)
            item->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        // A hidden price is not typed over: saving keeps the stored one.
        const PriceKind kind = c == kUnitPriceIn    ? PriceKind::Purchase
                               : c == kUnitPriceOut ? PriceKind::Sale
                                                    : PriceKind::None;
        if (kind != PriceKind::None && HidesPrice(rights, kind))
            item->setFlags(item->flags() & ~Qt::ItemIsEditable);
        m_units->setItem(row, c, item);
    }
}

std::vector<GoodsUnit> CChild_Jichu_Product_AddDlg::ReadUnits() const {
    std::vector<GoodsUnit> units;
    const CRoleRights& rights = CurrentRights();
    for (int row = 0; row < m_units->rowCount(); ++row) {
        GoodsUnit u;
        u.Product_ID = Text(m_code);
        u.Unit = CellText(m_units, row, kUnitName);
        const std::string factor = CellText(m_units, row, kUnitFactor);
        u.BarCode = CellText(m_units, row, kUnitBarcode);
        u.PriceIn = CellText(m_units, row, kUnitPriceIn);
        u.PriceOut = CellText(m_units, row, kUnitPriceOut);
        if (u.Unit.empty() && factor.empty() && u.BarCode.empty() && u.PriceIn.empty() &&
            u.PriceOut.empty())
            continue;
        // Anything but a whole number is refused by the factor's own check.
        u.Factor = UnitFactorOf(factor);
        const GoodsUnit* stored = nullptr;
        for (const GoodsUnit& s : m_storedUnits)
            stored = s.Unit == u.Unit ? &s : stored;
        if (HidesPrice(rights, PriceKind::Purchase))
            u.PriceIn = stored ? stored->PriceIn : "";
        if (HidesPrice(rights, PriceKind::Sale))
            u.PriceOut = stored ? stored->PriceOut : "";
        units.push_back(std::move(u));
    }
    return units;
}

void CChild_Jichu_Product_AddDlg::HidePrices() {
    const CRoleRights& rights = CurrentRights();
    for (auto [edit, kind] :
         {std::pair{m_retailPrice, PriceKind::Sale}, std::pair{m_priceIn, PriceKind::Purchase}}) {
        if (!HidesPrice(rights, kind))
            continue;
        edit->setText(QString::fromUtf8(kHiddenFigure));
        edit->setReadOnly(true);
        edit->setFocusPolicy(Qt::NoFocus);
    }
}

void CChild_Jichu_Product_AddDlg::OnChooseClass() {
    CChild_Jichu_Product_Class_Dlg dlg(this);
    if (RunModal(dlg) == QDialog::Accepted)
        m_className->setText(QString::fromStdString(dlg.SelectedClass()));
}

GoodsRecord CChild_Jichu_Product_AddDlg::ReadFields() const {
    GoodsRecord g = m_stored.value_or(GoodsRecord());
    g.Code = Text(m_code);
    g.ProductName = Text(m_name);
    g.SmartName = Text(m_smartName);
    g.ClassName = Text(m_className);
    g.Unit = m_unit->currentText().toStdString();
    g.PartNumber = Text(m_partNumber);
    g.Specifications = Text(m_specifications);
    g.ProductingArea = m_origin->currentText().toStdString();
    // A hidden price is not in the form: the stored one stays (empty for a new item).
    const CRoleRights& rights = CurrentRights();
    if (!HidesPrice(rights, PriceKind::Sale))
        g.RetailPrice = Text(m_retailPrice);
    if (!HidesPrice(rights, PriceKind::Purchase))
        g.PriceIn = Text(m_priceIn);
    g.BarCode = Text(m_barCode);
    g.ShelfLife = Text(m_shelfLife);
    g.InventoryLow = Text(m_inventoryLow);
    g.InventoryHigh = Text(m_inventoryHigh);
    g.Available = AvailableText(m_available->isChecked());
    g.UserDefined1 = Text(m_userDefined[0]);
    g.UserDefined2 = Text(m_userDefined[1]);
    g.UserDefined3 = Text(m_userDefined[2]);
    g.UserDefined4 = Text(m_userDefined[3]);
    g.Note = Text(m_note);
    // ClassId and the preset sale, lowest and highest prices stay as stored (empty for a new item)
    return g;
}

void CChild_Jichu_Product_AddDlg::OnConfirm() {
    m_goods = ReadFields();
    FillSmartName(m_goods);
    m_smartName->setText(QString::fromStdString(m_goods.SmartName));
    if (!CheckGoodsForm(m_goods))
        return;
    const std::vector<GoodsUnit> units = ReadUnits();
    CDataStore store;
    if (!store.ConnectMain())
        return;
    // The units are checked before the goods item is stored, so a refused unit stores nothing.
    bool failed = false;
    if (auto problem = CheckGoodsUnits(store, m_goods, units, &failed)) {
        Messages().Inform(*problem);
        return;
    }
    if (failed) {
        Messages().Inform(DatabaseFailureText("", store.LastError()));
        return;
    }
    // A refused goods item (a code that exists already) keeps the window open as typed.
    if (!(m_stored ? StoreChangedGoods(m_goods) : StoreNewGoods(m_goods)))
        return;
    // Stored now: a second confirmation after a refusal below changes it.
    m_stored = m_goods;
    if ((!units.empty() || !m_storedUnits.empty()) && !SaveGoodsUnits(store, m_goods, units))
        return;
    accept();
}
