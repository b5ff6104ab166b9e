#include "SimpleList.h"

#include "config/ConfigLists.h"
#include "port/MessagePort.h"
#include "text/TextOrder.h"

#include <algorithm>
#include <stdexcept>

const std::vector<SimpleListInfo>& SimpleListInfos() {
    using K = SimpleListKind;
    static const std::vector<SimpleListInfo> infos = {
        {K::Area,
         "CChild_Jichu_AreaDlg",
         "地区管理",
         {{"地区名称", 138}},
         "添加",
         "CChild_Jichu_Area_AddDlg",
         "添加地区",
         "地区名称：",
         "备注：",
         "地区名称不能为空！",
         "area",
         "area"},
        {K::Bank,
         "CChild_Jichu_BankDlg",
         "银行管理",
         {{"银行名称", 138}},
         "添加",
         "CChild_Jichu_Bank_AddDlg",
         "添加银行信息",
         "银行名称：",
         "备注：",
         "银行名称不能为空！",
         "bank",
         "bank"},
        {K::Bumen,
         "CChild_Jichu_BumenDlg",
         "部门管理",
         {{"部门名称", 138}},
         "添加",
         "CChild_Jichu_Bumen_AddDlg",
         "添加部门",
         "部门名称：",
         "备注：",
         "部门名称不能为空！",
         "employees",
         "department"},
        {K::Unit,
         "CChild_Jichu_UnitDlg",
         "单位管理",
         {{"单位名称", 138}},
         "添加",
         "CChild_Jichu_Unit_AddDlg",
         "添加计量单位",
         "单位名称：",
         "备注：",
         "单位名称不能为空！",
         "unit",
         "unit"},
        {K::Warehouse,
         "CChild_Jichu_WarehouseDlg",
         "仓库管理",
         {{"仓库名称", 138}},
         "添加",
         "CChild_Jichu_Warehouse_AddDlg",
         "添加仓库库信息",
         "仓库名称：",
         "备注：",
         "仓库名称不能为空！",
         "warehouse",
         "warehouse"},
        {K::Shouru,
         "CChild_Jichu_ShouruDlg",
         "收入项目类别",
         {{"收入项目名称", 200}, {"备注", 210}},
         "增加",
         "CChild_Jichu_Shouru_AddDlg",
         "添加收入项目",
         "收入项目：",
         "备注：",
         nullptr,
         "income",
         "finance"},
        {K::Zhichu,
         "CChild_Jichu_ZhichuDlg",
         "支出费用项目类别",
         {{"支出项目名称", 200}, {"备注", 210}},
         "增加",
         "CChild_Jichu_Zhichu_AddDlg",
         "添加支出项目",
         "支出项目：",
         "备注：",
         nullptr,
         "spending",
         "finance"},
    };
    return infos;
}

const SimpleListInfo& SimpleListInfoOf(SimpleListKind kind) {
    const auto& infos = SimpleListInfos();
    auto it = std::find_if(infos.begin(), infos.end(),
                           [kind](const SimpleListInfo& s) { return s.kind == kind; });
    if (it == infos.end())
        throw std::logic_error("unknown simple list kind");
    return *it;
}

CSimpleListState::CSimpleListState(SimpleListKind kind) : m_info(SimpleListInfoOf(kind)) {}

void CSimpleListState::Fill() {
    m_rows.clear();
    auto append = [this](const auto& entries) {
        for (auto it = entries.rbegin(); it != entries.rend(); ++it)
            m_rows.push_back({it->name, it->note});
    };
    if (m_info.kind == SimpleListKind::Bumen)
        append(ReadDepartments());
    else
        append(ReadConfigList(m_info.listKey));
}

std::string CSimpleListState::Cell(size_t row, int column) const {
    if (row >= m_rows.size())
        return {};
    return column == 0 ? m_rows[row].name : column == 1 ? m_rows[row].note : std::string();
}

bool CheckSimpleListName(const SimpleListInfo& info, const std::string& name) {
    if (name.empty() && info.emptyNameMessage) {
        Messages().Inform(info.emptyNameMessage);
        return false;
    }
    return true;
}

std::vector<std::string> SortedConfigNames(const std::string& listKey) {
    std::vector<std::string> names;
    for (const auto& entry : ReadConfigList(listKey))
        names.push_back(entry.name);
    SortByTextOrder(names);
    return names;
}

void CSimpleListState::Add(const std::string& name, const std::string& note) {
    if (m_info.kind == SimpleListKind::Bumen)
        AddDepartment(name, note);
    else
        AddConfigListEntry(m_info.listKey, name, note);
    Fill();
}

void CSimpleListState::Delete() {
    if (m_info.kind == SimpleListKind::Bumen)
        RemoveDepartments(m_selectedName);
    else
        RemoveConfigListEntries(m_info.listKey, m_selectedName);
    Fill();
}
