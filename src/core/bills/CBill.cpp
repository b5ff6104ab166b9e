#include "CBill.h"
#include "finance/FundBillRows.h"
#include "orders/Orders.h"

#include "BillStore.h"
#include "TransferStore.h"
#include "basic/GoodsStore.h"
#include "port/MessagePort.h"
#include "rights/PriceVisibility.h"
#include "store/CDataStore.h"
#include "store/RightCheck.h"
#include "store/Session.h"
#include "store/WriteToken.h"
#include "text/Clock.h"

namespace {
using L = BillLine;

const std::vector<GridColumn> kTradeGrid = {
    {"是否有记录", 0, &L::hasRecord, CellEdit::None},
    {"商品编码", 70, &L::code, CellEdit::None},
    {"商品名称", 130, &L::name, CellEdit::None},
    {"数量", 70, &L::quantity, CellEdit::Text},
    {"单位", 40, &L::unit, CellEdit::UnitList},
    {"批号", 70, &L::batch, CellEdit::Text},
    {"生产日期", 70, &L::productionDate, CellEdit::Text},
    {"单价", 70, &L::price, CellEdit::Text},
    {"金额", 70, &L::amount, CellEdit::None},
    {"库位", 50, &L::location, CellEdit::None},
    {"商品条码", 110, &L::barcode, CellEdit::Text},
    {"备注", 110, &L::note, CellEdit::Text},
};

const std::vector<GridColumn> kLossGainGrid = {
    {"是否有记录", 0, &L::hasRecord, CellEdit::None},
    {"商品编码", 70, &L::code, CellEdit::None},
    {"商品名称", 130, &L::name, CellEdit::None},
    {"数量", 70, &L::quantity, CellEdit::Text},
    {"单位", 40, &L::unit, CellEdit::UnitList},
    {"批号", 70, &L::batch, CellEdit::Text},
    {"生产日期", 70, &L::productionDate, CellEdit::Text},
    {"库位", 70, &L::location, CellEdit::None},
    {"商品条码", 0, &L::barcode, CellEdit::Text},
    {"备注", 110, &L::note, CellEdit::Text},
};

// Opening stock: the price is the cost price the goods come in at.
const std::vector<GridColumn> kOpeningGrid = {
    {"是否有记录", 0, &L::hasRecord, CellEdit::None}, {"商品编码", 70, &L::code, CellEdit::None},
    {"商品名称", 130, &L::name, CellEdit::None},      {"数量", 70, &L::quantity, CellEdit::Text},
    {"单位", 40, &L::unit, CellEdit::UnitList},       {"成本单价", 80, &L::price, CellEdit::Text},
    {"金额", 80, &L::amount, CellEdit::None},         {"商品条码", 0, &L::barcode, CellEdit::Text},
    {"备注", 110, &L::note, CellEdit::Text},
};

const std::vector<GridColumn> kPriceGrid = {
    {"是否有记录", 0, &L::hasRecord, CellEdit::None},
    {"商品编码", 70, &L::code, CellEdit::None},
    {"商品名称", 130, &L::name, CellEdit::None},
    {"单位", 70, &L::unit, CellEdit::UnitList},
    {"单价", 80, &L::price, CellEdit::Text},
    {"商品条码", 130, &L::barcode, CellEdit::Text},
    {"备注", 200, &L::note, CellEdit::Text},
};

const std::vector<GridColumn> kTransferGrid = {
    {"是否有记录", 0, &L::hasRecord, CellEdit::None}, {"商品编码", 70, &L::code, CellEdit::None},
    {"商品名称", 130, &L::name, CellEdit::None},      {"数量", 70, &L::quantity, CellEdit::Text},
    {"单位", 40, &L::unit, CellEdit::UnitList},       {"备注", 160, &L::note, CellEdit::Text},
    {"商品条码", 0, &L::barcode, CellEdit::Text},
};

std::string Int128Text(__int128 v) {
    if (v == 0)
        return "0";
    bool negative = v < 0;
    unsigned __int128 u =
        negative ? static_cast<unsigned __int128>(-(v + 1)) + 1 : static_cast<unsigned __int128>(v);
    std::string s;
    while (u) {
        s.insert(s.begin(), static_cast<char>('0' + static_cast<int>(u % 10)));
        u /= 10;
    }
    return negative ? "-" + s : s;
}

// `value` in units of 10^-digits, shown with two decimals rounded half away from zero.
std::string TwoDecimals(__int128 value, int digits) {
    __int128 divisor = 1;
    for (int i = 2; i < digits; ++i)
        divisor *= 10;
    bool negative = value < 0;
    unsigned __int128 u = negative ? static_cast<unsigned __int128>(-(value + 1)) + 1
                                   : static_cast<unsigned __int128>(value);
    u = (u + static_cast<unsigned __int128>(divisor) / 2) / static_cast<unsigned __int128>(divisor);
    std::string whole = Int128Text(static_cast<__int128>(u / 100));
    int cents = static_cast<int>(u % 100);
    std::string s =
        whole + '.' + static_cast<char>('0' + cents / 10) + static_cast<char>('0' + cents % 10);
    return negative && u != 0 ? "-" + s : s;
}
} // namespace

const std::vector<GridColumn>& GridColumns(BillKind kind) {
    static const std::vector<GridColumn> kNoGrid;
    if (IsFundKind(kind))
        return kNoGrid;
    if (IsTradeKind(kind) || IsOrderKind(kind))
        return kTradeGrid;
    if (kind == BillKind::Opening)
        return kOpeningGrid;
    if (kind == BillKind::Transfer)
        return kTransferGrid;
    return kind == BillKind::Price ? kPriceGrid : kLossGainGrid;
}

std::string LineAmount(const std::string& quantity, const std::string& price) {
    // A whole quantity counts as it is, however large: read as money it could overflow and show
    // as no amount at all.
    if (const auto whole = ParseWholeNumber(quantity))
        return TwoDecimals(static_cast<__int128>(*whole) * CMoney::ParseOrZero(price).Units(), 4);
    // Both in ten-thousandths: the product has eight decimals and always fits in 128 bits.
    __int128 product = static_cast<__int128>(CMoney::ParseOrZero(quantity).Units()) *
                       CMoney::ParseOrZero(price).Units();
    return TwoDecimals(product, 8);
}

std::optional<CMoney> LineAmountOf(int64_t quantity, const std::string& price) {
    return CMoney::ParseOrZero(price).TimesQuantity(quantity);
}

std::string StartingPrice(BillKind kind, const GoodsRecord& goods) {
    if (kind == BillKind::Sale || kind == BillKind::SaleReturn || kind == BillKind::SaleOrder) {
        auto retail = CMoney::Parse(goods.RetailPrice);
        if (retail && *retail != CMoney())
            return goods.RetailPrice;
    }
    // A role that does not see purchase prices types its own: the preset is never shown.
    if (HidesPrice(Session().rights, PriceKind::Purchase))
        return {};
    return goods.PriceIn;
}

std::string StartingPrice(BillKind kind, const GoodsRecord& goods, const GoodsUnit& unit) {
    const bool sale =
        kind == BillKind::Sale || kind == BillKind::SaleReturn || kind == BillKind::SaleOrder;
    const bool hidden = HidesPrice(Session().rights, PriceKind::Purchase);
    const std::string& own = sale ? unit.PriceOut : unit.PriceIn;
    if (auto price = CMoney::Parse(own); price && *price != CMoney() && (sale || !hidden))
        return own;
    const std::string base = StartingPrice(kind, goods);
    if (base.empty())
        return base;
    // Two decimals as prices are typed, more only where the base price has them.
    if (auto times = CMoney::ParseOrZero(base).TimesQuantity(unit.Factor))
        return times->RoundedTo2() == *times ? times->Format2() : times->FormatExact();
    return {};
}

CBill::CBill(BillKind kind) : m_date(TodayIso()), m_kind(kind) {
    MakeNumber();
}

void CBill::MakeNumber() {
    m_number = NewBillNumber(m_kind);
    m_madeNumber = m_number;
}

void CBill::GiveNumber(const std::string& number) {
    m_number = number;
    m_madeNumber.clear();
}

void CBill::AppendGoods(const GoodsRecord& goods) {
    m_lines.emplace_back();
    FillLine(m_lines.size() - 1, goods);
}

void CBill::FillLine(size_t row, const GoodsRecord& g) {
    if (row >= m_lines.size())
        return;
    BillLine& l = m_lines[row];
    // The unit stays as it was: it is chosen from the unit list, not taken from the goods.
    l.hasRecord = "true";
    // Other goods deliver nothing of the order line this one was made from.
    if (l.code != g.Code)
        l.orderLine.clear();
    l.code = g.Code;
    l.name = g.ProductName;
    l.batch.clear();
    l.productionDate.clear();
    l.location.clear();
    l.barcode = g.BarCode;
    l.note = g.Note;
    if (m_kind == BillKind::Price) {
        l.price = StartingPrice(m_kind, g); // the preset purchase price, unless it is hidden
        return;
    }
    l.quantity = "0";
    if (HasLinePrices(m_kind)) {
        l.price = StartingPrice(m_kind, g);
        l.amount = "0";
    }
}

size_t CBill::ScanGoods(const GoodsRecord& goods, const GoodsUnit* unit) {
    const std::string& unitName = unit ? unit->Unit : goods.Unit;
    for (size_t row = m_lines.size(); row-- > 0;) {
        BillLine& l = m_lines[row];
        if (!IsGoodsLine(row) || l.code != goods.Code || l.unit != unitName)
            continue;
        auto quantity = ParseWholeNumber(l.quantity);
        if (!quantity || *quantity < 0 || *quantity == INT64_MAX)
            break;
        l.quantity = std::to_string(*quantity + 1);
        if (HasLinePrices(m_kind))
            l.amount = LineAmount(l.quantity, l.price);
        return row;
    }
    AppendGoods(goods);
    BillLine& l = m_lines.back();
    l.quantity = "1";
    l.unit = unitName;
    if (unit && !unit->BarCode.empty())
        l.barcode = unit->BarCode; // the box's own barcode, as scanned
    if (unit && HasLinePrices(m_kind))
        l.price = StartingPrice(m_kind, goods, *unit);
    if (HasLinePrices(m_kind))
        l.amount = LineAmount(l.quantity, l.price);
    return m_lines.size() - 1;
}

int64_t LineUnitOffer::FactorOf(const std::string& unit) const {
    for (const GoodsUnit& u : units) {
        if (u.Unit == unit)
            return u.Factor;
    }
    return 1;
}

LineUnitOffer MakeLineUnitOffer(GoodsRecord goods, std::vector<GoodsUnit> further) {
    LineUnitOffer offer;
    offer.units.reserve(further.size() + 1);
    offer.units.push_back(
        {goods.Code, goods.Unit, 1, goods.BarCode, goods.PriceIn, goods.RetailPrice});
    for (GoodsUnit& u : further)
        offer.units.push_back(std::move(u));
    offer.goods = std::move(goods);
    return offer;
}

std::optional<LineUnitOffer> OfferedUnits(CDataStore& store, const std::string& code) {
    auto further = ListGoodsUnits(store, code);
    if (!further || further->empty())
        return std::nullopt;
    auto goods = FindGoods(store, code);
    if (!goods)
        return std::nullopt;
    return MakeLineUnitOffer(std::move(*goods), std::move(*further));
}

void CBill::ChooseUnit(size_t row, const LineUnitOffer& offer, const std::string& unit) {
    if (!IsGoodsLine(row))
        return;
    BillLine& l = m_lines[row];
    l.unit = unit;
    const GoodsUnit* chosen = nullptr;
    for (const GoodsUnit& u : offer.units) {
        if (u.Unit == unit)
            chosen = &u;
    }
    if (!chosen)
        return;
    const bool base = chosen == &offer.units.front();
    // A line in a unit with its own barcode carries that barcode, as a scan of it would.
    l.barcode = base || chosen->BarCode.empty() ? offer.goods.BarCode : chosen->BarCode;
    // A price adjustment's line prices the unit chosen, as a trade line does.
    if (!HasLinePrices(m_kind) && m_kind != BillKind::Price)
        return;
    l.price =
        base ? StartingPrice(m_kind, offer.goods) : StartingPrice(m_kind, offer.goods, *chosen);
    if (HasLinePrices(m_kind))
        l.amount = LineAmount(l.quantity, l.price);
}

bool CBill::IsGoodsLine(size_t row) const {
    return row < m_lines.size() && !m_lines[row].hasRecord.empty();
}

void CBill::RemoveLine(size_t row) {
    if (row < m_lines.size())
        m_lines.erase(m_lines.begin() + static_cast<std::ptrdiff_t>(row));
}

bool CBill::ChangeSelectedLine(std::optional<size_t> selected, const GoodsRecord& goods) {
    if (!selected || !IsGoodsLine(*selected)) {
        Messages().Inform("请在列表中点击选中要修改的商品！");
        return false;
    }
    FillLine(*selected, goods);
    return true;
}

bool CBill::RemoveSelectedLine(std::optional<size_t> selected) {
    if (!selected || *selected >= m_lines.size() || m_lines[*selected].name.empty()) {
        Messages().Inform("请在列表中点击选中要删除的商品！");
        return false;
    }
    if (!Messages().AskYesNo("确定要移除商品：“" + m_lines[*selected].name + "”吗？"))
        return false;
    RemoveLine(*selected);
    return true;
}

std::string CBill::Cell(size_t row, size_t column) const {
    const auto& columns = GridColumns(m_kind);
    if (row >= m_lines.size() || column >= columns.size())
        return {};
    return m_lines[row].*columns[column].field;
}

std::string CBill::ShownMoney(const std::string& figure) const {
    return ShownFigure(Session().rights, BillPriceKind(KindNames(m_kind).cliName), figure);
}

std::string CBill::ShownCell(size_t row, size_t column) const {
    const auto& columns = GridColumns(m_kind);
    if (column >= columns.size())
        return {};
    const auto field = columns[column].field;
    const std::string cell = Cell(row, column);
    return field == &BillLine::price || field == &BillLine::amount ? ShownMoney(cell) : cell;
}

void CBill::ChooseCell(size_t row, size_t column, const std::string& text) {
    const auto& columns = GridColumns(m_kind);
    if (row >= m_lines.size() || column >= columns.size())
        return;
    m_lines[row].*columns[column].field = text;
}

void CBill::EditCell(size_t row, size_t column, const std::string& text) {
    // A hidden price given back as it shows (its edit box opened and left) stays what it is.
    if (text == kHiddenFigure && ShownCell(row, column) == kHiddenFigure)
        return;
    ChooseCell(row, column, text);
    if (row < m_lines.size() && HasLinePrices(m_kind))
        m_lines[row].amount = LineAmount(m_lines[row].quantity, m_lines[row].price);
}

void CBill::RecomputeTotals(const std::vector<int64_t>& factors) {
    __int128 quantity = 0, amount = 0;
    for (size_t row = 0; row < m_lines.size(); ++row) {
        const BillLine& l = m_lines[row];
        const int64_t factor = row < factors.size() ? factors[row] : 1;
        quantity += static_cast<__int128>(LeadingInteger(l.quantity)) * factor;
        amount += CMoney::ParseOrZero(l.amount).Units();
    }
    m_quantityTotal = Int128Text(quantity);
    m_amountTotal = TwoDecimals(amount, 4);
}

void CBill::StartNextBill() {
    m_lines.clear();
    // What was paid belongs to the bill just posted: the next one starts with nothing paid.
    m_paid.clear();
    // The next bill is not made from the order the last one delivered.
    m_order.clear();
    m_allowOverOrder = false;
    m_quantityTotal = "0";
    m_amountTotal = "0.00";
    MakeNumber();
}

PostOutcome CBill::Save() {
    if (HasLinePrices(m_kind)) {
        for (auto& l : m_lines)
            l.amount = LineAmount(l.quantity, l.price);
    }
    RecomputeTotals();
    // A retry of a posting already stored is answered before the checks, which would now see
    // the stock, money and number it took.
    std::string earlier;
    switch (const TokenLookup found =
                LookUpWriteTokenFirst(m_token, KindInfo(m_kind).cliName, "", earlier)) {
    case TokenLookup::New:
        break;
    case TokenLookup::Stored:
    case TokenLookup::Refused:
        return AnsweredByToken(found, earlier);
    case TokenLookup::ConnectFailed:
        Messages().Inform(KindInfo(m_kind).connectFailure);
        return PostOutcome::ConnectFailed;
    case TokenLookup::Failed:
        return PostOutcome::Failed;
    }
    if (!CheckRight(KindFunction(KindInfo(m_kind).cliName), Action::Enter) || !WarehousesInScope())
        return PostOutcome::Invalid;
    if (!Validate())
        return PostOutcome::Invalid;
    return Post();
}

std::optional<CBill> CBill::LoadStored(const std::string& historyWord, const std::string& number) {
    auto kind = BillKindFromHistoryWord(historyWord);
    if (!kind)
        return std::nullopt;
    CDataStore store;
    if (!store.ConnectMain())
        return std::nullopt;
    if (IsFundKind(*kind)) {
        auto row = FindFundBill(store, number);
        if (!row || !FundRowIsOfKind(*kind, row->Kind))
            return std::nullopt;
        CBill bill(*kind);
        bill.GiveNumber(row->Bill_ID);
        bill.m_date = row->Bill_Date;
        bill.m_customer = row->Customer;
        bill.m_department = row->Department;
        bill.m_employee = row->Employee;
        bill.m_account = row->Bank;
        bill.m_paid = row->Amount;
        bill.m_introduction = row->Introduction;
        return bill;
    }
    if (IsOrderKind(*kind)) {
        // An order of a warehouse outside the operator's scope reads as no order.
        auto order = FindOrder(store, *kind, number);
        if (!order || order->lines.empty() ||
            !Session().rights.SeesWarehouse(order->header.Warehouse))
            return std::nullopt;
        const OrderHeaderRecord& h = order->header;
        CBill bill(*kind);
        bill.GiveNumber(h.Bill_ID);
        bill.m_date = h.Bill_Date;
        bill.m_customer = h.Customer;
        bill.m_department = h.Department;
        bill.m_employee = h.Employee;
        bill.m_warehouse = h.Warehouse;
        bill.m_introduction = h.Introduction;
        bill.m_deliveryDate = h.Delivery_Date;
        bill.m_amountTotal = h.Total;
        bill.m_quantityTotal = h.Number;
        for (const OrderLineRecord& r : order->lines) {
            BillLine l;
            l.hasRecord = "true";
            l.code = r.Product_ID;
            l.name = r.Product_Name;
            l.quantity = r.Product_Number;
            l.unit = r.Product_Unit;
            l.price = OrderPriceText(r.Product_Price); // money, as the list shows it
            l.amount = r.Product_Total;
            l.barcode = r.Product_BarCode;
            l.note = r.Product_Note;
            bill.m_lines.push_back(std::move(l));
        }
        return bill;
    }
    if (*kind == BillKind::Transfer) {
        auto rows = ListTransferLines(store, number);
        if (rows.empty())
            return std::nullopt;
        const TransferRecord& h = rows.front();
        CBill bill(*kind);
        bill.GiveNumber(h.Bill_ID);
        bill.m_date = h.Bill_Date;
        bill.m_department = h.Department;
        bill.m_employee = h.Employee;
        bill.m_warehouse = h.Warehouse;
        bill.m_toWarehouse = h.ToWarehouse;
        bill.m_introduction = h.Introduction;
        bill.m_quantityTotal = h.Number;
        for (const auto& r : rows) {
            BillLine l;
            l.hasRecord = "true";
            l.code = r.Product_ID;
            l.name = r.Product_Name;
            l.quantity = r.Product_Number;
            l.unit = r.Product_Unit;
            l.barcode = r.Product_BarCode;
            l.note = r.Product_Note;
            bill.m_lines.push_back(std::move(l));
        }
        return bill;
    }
    auto rows = store.ListBillDetails(historyWord, number);
    if (rows.empty())
        return std::nullopt;
    // The header row holds the bill's own remark; the detail rows carry their lines' remarks.
    auto header = FindBillHeader(store, historyWord, number);
    const auto& first = rows.front();
    BillHeaderRecord h = header.value_or(
        BillHeaderRecord{first.Canceled, first.Bill_ID, first.Bill_Date, first.Customer,
                         first.Department, first.Warehouse, first.Employee, first.Introduction,
                         first.Number, first.Total, first.Bank, first.Pay});
    CBill bill(*kind);
    bill.GiveNumber(h.Bill_ID);
    bill.m_date = h.Bill_Date;
    bill.m_customer = h.Customer;
    bill.m_department = h.Department;
    bill.m_employee = h.Employee;
    bill.m_warehouse = h.Warehouse;
    bill.m_introduction = h.Introduction;
    bill.m_account = h.Bank;
    bill.m_paid = h.Pay;
    bill.m_amountTotal = h.Total;
    bill.m_quantityTotal = h.Number;
    for (const auto& r : rows) {
        bill.m_lines.push_back({"true", r.Product_ID, r.Product_Name, r.Product_Number,
                                r.Product_Unit, r.Product_atch, r.Product_Date, r.Product_Price,
                                r.Product_Total, "", r.Product_BarCode, r.Product_Note});
    }
    return bill;
}
