#include "BusinessUnits.h"

#include "UnitStore.h"
#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "store/CDataStore.h"
#include "store/RightCheck.h"
#include "text/TextOrder.h"

const std::vector<UnitListColumn>& UnitListColumns() {
    using U = BusinessUnitRecord;
    static const std::vector<UnitListColumn> columns = {
        {"单位编码", &U::CustomerCode},    {"单位名称", &U::CustomerName},
        {"联系人", &U::CustomerContact},   {"手机号码", &U::CustomerMobile},
        {"电话", &U::CustomerTel},         {"传真", &U::CustomerFax},
        {"邮编", &U::CustomerZip},         {"地址", &U::CustomerAddr},
        {"地区", &U::CustomerArea},        {"往来单位类型", &U::CustomerType},
        {"客户网址", &U::CustomerWebsite}, {"客户email", &U::CustomerEmail},
        {"客户MSN", &U::CustomerMsn},      {"客户QQ", &U::CustomerQq},
        {"备注", &U::CustomerNote},
    };
    return columns;
}

const ListColumn& UnitTypeColumn() {
    static const ListColumn column = {"往来单位类型", 200};
    return column;
}

const std::vector<std::string>& UnitTypeRows() {
    static const std::vector<std::string> rows = {"供应商", "客户"};
    return rows;
}

std::vector<std::string> UnitTypeChoices() {
    std::vector<std::string> choices = {"客户", "供应商"};
    SortByTextOrder(choices);
    return choices;
}

void CBusinessUnitsState::Fill(CDataStore& store) {
    m_units.clear();
    store.ListBusinessUnits(m_typeFilter, m_units);
    m_index.Clear();
    for (const auto& u : m_units)
        m_index.AddRow(BusinessUnitSearchTexts(u));
    Search(m_search);
}

void CBusinessUnitsState::Search(const std::string& typed) {
    m_search = typed;
    m_shown = m_index.Find(typed);
}

void CBusinessUnitsState::Open() {
    CDataStore store;
    if (store.ConnectMain())
        Fill(store);
}

void CBusinessUnitsState::SelectType(const std::string& type) {
    m_typeFilter = type;
    if (type.empty())
        return;
    CDataStore store;
    if (store.ConnectMain())
        Fill(store);
}

std::string CBusinessUnitsState::Cell(size_t row, int column) const {
    const auto& columns = UnitListColumns();
    if (row >= m_shown.size() || column < 0 || size_t(column) >= columns.size())
        return {};
    return Row(row).*columns[column].field;
}

bool CBusinessUnitsState::Add(const BusinessUnitRecord& unit) {
    CDataStore store;
    if (!store.ConnectMain() || !store.AddBusinessUnit(unit))
        return false;
    Fill(store);
    return true;
}

bool CBusinessUnitsState::Change(const BusinessUnitRecord& unit) {
    if (!StoreChangedBusinessUnit(unit))
        return false;
    CDataStore store;
    if (store.ConnectMain())
        Fill(store);
    return true;
}

std::optional<BusinessUnitRecord> CBusinessUnitsState::UnitToChange() const {
    if (m_selectedCode.empty()) {
        Messages().Inform("请点击选择要修改的项目！");
        return std::nullopt;
    }
    CDataStore store;
    if (!store.ConnectMain())
        return std::nullopt;
    auto unit = FindBusinessUnit(store, m_selectedCode);
    if (!unit)
        Messages().Inform(store.LastError().empty() ? UnitNotFoundText(m_selectedCode)
                                                    : ConnectFailureText(store.LastError()));
    return unit;
}

bool CBusinessUnitsState::Delete() {
    if (!CheckRight("customers", Action::Delete))
        return false;
    if (m_selectedCode.empty()) {
        Messages().Inform("请点击选择要删除的项目！");
        return false;
    }
    // The question says 客户 for suppliers too.
    if (!Messages().AskYesNo("删除单位编码为 " + m_selectedCode + " 的客户吗？"))
        return false;
    CDataStore store;
    if (!store.ConnectMain())
        return false;
    store.DeleteBusinessUnit(m_selectedCode);
    Fill(store);
    return true;
}

bool CheckBusinessUnitForm(const BusinessUnitRecord& unit) {
    const char* message = nullptr;
    if (unit.CustomerCode.empty())
        message = "单位编码不能为空！";
    else if (unit.CustomerName.empty())
        message = "单位名称不能为空！";
    else if (unit.CustomerType.empty())
        message = "单位类型不能为空！";
    if (message) {
        Messages().Inform(message);
        return false;
    }
    return true;
}
