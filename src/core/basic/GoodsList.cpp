#include "GoodsList.h"

#include "GoodsStore.h"
#include "GoodsUnits.h"
#include "basic/ClassTree.h"
#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "store/CDataStore.h"
#include "store/RightCheck.h"
#include "store/Session.h"
#include "text/Money.h"
#include "text/PinyinInitials.h"

const std::vector<GoodsListColumn>& GoodsListColumns() {
    using G = GoodsRecord;
    static const std::vector<GoodsListColumn> columns = {
        {"商品编码", &G::Code},
        {"商品名称", &G::ProductName},
        {"商品简称", &G::SmartName},
        {"商品类别", &G::ClassName},
        {"基本单位", &G::Unit},
        {"商品型号", &G::PartNumber},
        {"规格", &G::Specifications},
        {"产地", &G::ProductingArea},
        {"预售价1", &G::PricePre1},
        {"预售价2", &G::PricePre2},
        {"预售价3", &G::PricePre3},
        {"零售价", &G::RetailPrice},
        {"最低售价", &G::PriceLow},
        {"最高售价", &G::PriceHigh},
        {"预设进价", &G::PriceIn},
        {"商品条码", &G::BarCode},
        {"保质期", &G::ShelfLife},
        {"最低库存", &G::InventoryLow},
        {"最高库存", &G::InventoryHigh},
        {"商品是否可用", &G::Available},
        {"自定义1", &G::UserDefined1},
        {"自定义2", &G::UserDefined2},
        {"自定义3", &G::UserDefined3},
        {"自定义4", &G::UserDefined4},
        {"备注", &G::Note},
    };
    return columns;
}

bool CGoodsListState::ShowClass(const std::string& className) {
    if (className.empty())
        return false;
    CDataStore store;
    if (!store.ConnectMain())
        return false;
    Clear();
    m_class = className;
    const auto& columns = GoodsListColumns();
    // A failed read has shown its message; the rows read before it stay.
    const CRoleRights& rights = Session().rights;
    ForEachGoods(store, className, [&](const GoodsRecord& g) {
        m_rows.push_back(m_ends.size());
        const GoodsRecord shown = ShownGoods(g, rights);
        for (const auto& c : columns) {
            m_text += shown.*c.field;
            m_ends.push_back(m_text.size());
        }
        m_index.AddRow(GoodsSearchTexts(g));
    });
    m_text.shrink_to_fit();
    m_ends.shrink_to_fit();
    m_rows.shrink_to_fit();
    Search(m_search);
    return true;
}

void CGoodsListState::Search(const std::string& typed) {
    m_search = typed;
    m_shown = m_index.Find(typed);
}

void CGoodsListState::Clear() {
    m_text.clear();
    m_ends.clear();
    m_rows.clear();
    m_index.Clear();
    m_shown.clear();
}

bool CGoodsListState::ShowAll() {
    return ShowClass(kAllGoods);
}

std::string CGoodsListState::Cell(size_t row, int column) const {
    const auto& columns = GoodsListColumns();
    if (row >= m_shown.size() || column < 0 || size_t(column) >= columns.size())
        return {};
    const size_t cell = FirstCell(row) + size_t(column);
    const size_t start = cell == 0 ? 0 : m_ends[cell - 1];
    return m_text.substr(start, m_ends[cell] - start);
}

std::optional<GoodsRecord> CGoodsListState::ItemToChange(std::optional<size_t> row) const {
    if (!row || *row >= m_shown.size()) {
        Messages().Inform("请选择要修改的商品！");
        return std::nullopt;
    }
    const std::string code = Cell(*row, 0); // the first column is the code
    CDataStore store;
    if (!store.ConnectMain())
        return std::nullopt;
    auto goods = FindGoods(store, code);
    if (!goods)
        Messages().Inform(store.LastError().empty() ? GoodsNotFoundText(code)
                                                    : ConnectFailureText(store.LastError()));
    return goods;
}

bool CGoodsListState::Delete(std::optional<size_t> row) {
    if (!CheckRight("goods", Action::Delete))
        return false;
    if (!row || *row >= m_shown.size()) {
        Messages().Inform("请选择要删除的商品！");
        return false;
    }
    const std::string code = Cell(*row, 0); // the first column is the code
    if (!Messages().AskOkCancel("是否要删除商品编码为\" " + code +
                                " \"的商品？\r\n删除商品之前请确定此商品没有使用过。"))
        return false;
    CDataStore store;
    if (!store.ConnectMain())
        return false;
    // A stock row, even one at quantity 0, means the goods were bought in once; an open order
    // still waits for them.
    std::optional<bool> inUse = IsGoodsInUse(store, code);
    if (!inUse)
        return false;
    if (*inUse) {
        Messages().Inform("此商品正在使用中，不能删除！");
        return false;
    }
    if (!store.DeleteGoods(code))
        return false;
    // Its texts stay in the buffer until the list is read again.
    const size_t storeRow = StoreRow(*row);
    m_rows.erase(m_rows.begin() + static_cast<std::ptrdiff_t>(storeRow));
    m_index.RemoveRow(storeRow);
    Search(m_search);
    return true;
}

bool IsPresetPriceText(const std::string& text) {
    if (text.empty())
        return true;
    bool digit = false, point = false;
    for (char c : text) {
        if (c >= '0' && c <= '9')
            digit = true;
        else if (c == '.' && !point)
            point = true;
        else
            return false;
    }
    return digit && CMoney::Parse(text).has_value();
}

bool CheckGoodsForm(const GoodsRecord& goods) {
    const char* message = nullptr;
    if (goods.Code.empty())
        message = "商品编码不能为空！";
    else if (goods.ProductName.empty())
        message = "商品名称不能为空！";
    else if (goods.ClassName.empty())
        message = "商品分类不能为空！";
    else if (!IsPresetPriceText(goods.RetailPrice))
        message = "预设零售价必须是不小于零的数字！";
    else if (!IsPresetPriceText(goods.PriceIn))
        message = "预设进价必须是不小于零的数字！";
    if (message) {
        Messages().Inform(message);
        return false;
    }
    return true;
}

void FillSmartName(GoodsRecord& goods) {
    if (goods.SmartName.empty())
        goods.SmartName = PinyinInitials(goods.ProductName);
}

bool StoreNewGoods(const GoodsRecord& goods) {
    CDataStore store;
    return store.ConnectMain() && !RefuseGoodsBarcodeOfUnit(store, goods.BarCode) &&
           !RefuseGoodsCodeOfUnit(store, goods.Code) && store.AddGoods(goods);
}

bool StoreChangedGoods(const GoodsRecord& goods) {
    CDataStore store;
    return store.ConnectMain() && UpdateGoods(store, goods);
}
