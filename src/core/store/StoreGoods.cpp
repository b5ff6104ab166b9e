// Goods, goods classes and business units (main data file).
#include "CDataStore.h"
#include "GoodsRows.h"

#include "AllEntries.h"
#include "RightCheck.h"
#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "store/OpenOrders.h"

namespace {
std::string JoinColumns(const std::vector<std::string>& names) {
    std::string out;
    for (const auto& n : names) {
        if (!out.empty())
            out += ", ";
        out += n;
    }
    return out;
}

template <class Columns> std::vector<std::string> ColumnNames(const Columns& columns) {
    std::vector<std::string> names;
    for (const auto& c : columns)
        names.emplace_back(c.name);
    return names;
}

template <class Columns> std::string InsertStatement(const char* table, const Columns& columns) {
    std::string marks;
    for (size_t i = 0; i < columns.size(); ++i)
        marks += i ? ", ?" : "?";
    return std::string("insert into ") + table + "(" + JoinColumns(ColumnNames(columns)) +
           ") values(" + marks + ")";
}

const std::string& UnitSelect() {
    static const std::string sql =
        "select Id, " + JoinColumns(ColumnNames(BusinessUnitColumns())) + " from ferix_customer";
    return sql;
}

BusinessUnitRecord ReadUnit(const CStatement& st) {
    BusinessUnitRecord u;
    u.Id = st.Text(0);
    int i = 1;
    for (const auto& c : BusinessUnitColumns())
        u.*c.field = st.Text(i++);
    return u;
}
} // namespace

const std::string& GoodsSelect() {
    static const std::string sql =
        "select Id, " + JoinColumns(ColumnNames(GoodsColumns())) + " from ferix_product";
    return sql;
}

// Columns are read by position: Id first, then the columns in table order.
void ReadGoods(const CStatement& st, GoodsRecord& g) {
    st.TextInto(0, g.Id);
    int i = 1;
    for (const auto& c : GoodsColumns())
        st.TextInto(i++, g.*c.field);
}

bool ReadGoodsOfClass(CDataStore& store, const std::string& className,
                      const std::function<void(const GoodsRecord&)>& onGoods) {
    GoodsRecord g;
    auto read = [&](const CStatement& st) {
        ReadGoods(st, g);
        onGoods(g);
    };
    return className == kAllGoods
               ? store.Run(GoodsSelect() + " order by Id", {}, read)
               : store.Run(GoodsSelect() + " where ClassName = ? order by Id", {className}, read);
}

std::string GoodsCodeTakenText(const std::string& code) {
    return "商品编码“" + code + "”已经存在，请换一个编码！";
}

std::string GoodsClassTakenText(const std::string& name) {
    return "商品分类“" + name + "”已经存在，请换一个名称！";
}

std::string UnitCodeTakenText(const std::string& code) {
    return "单位编码“" + code + "”已经存在，请换一个编码！";
}

bool CDataStore::InsertNewKey(const std::string& sql, const SqlValues& values, const char* keyQuery,
                              const std::string& key, const std::string& takenText,
                              const char* failure) {
    bool taken = false;
    bool ok = Run(keyQuery, {key}, [&](const CStatement&) { taken = true; });
    if (ok && !taken) {
        ok = Run(sql, values);
        // Another program may have added the same key since the look: the unique key refuses
        // the row, and the user is told the same as when it was found.
        taken = !ok && m_lastErrorCode == SQLITE_CONSTRAINT_UNIQUE;
    }
    if (taken) {
        Messages().Inform(takenText);
        return false;
    }
    if (!ok) {
        Messages().Inform(DatabaseFailureText(failure, m_lastError));
        return false;
    }
    return true;
}

bool CDataStore::ListGoods(const std::string& className, std::vector<GoodsRecord>& list) {
    bool ok = ReadGoodsOfClass(*this, className, [&](const GoodsRecord& g) { list.push_back(g); });
    if (!ok)
        Messages().Inform(ConnectFailureText(m_lastError));
    return ok;
}

bool CDataStore::AddGoods(const GoodsRecord& goods) {
    if (!CheckRight("goods", Action::Enter))
        return false;
    static const std::string sql = InsertStatement("ferix_product", GoodsColumns());
    SqlValues values;
    for (const auto& c : GoodsColumns())
        values.push_back(goods.*c.field);
    return InsertNewKey(sql, values, "select 1 from ferix_product where Code = ? limit 1",
                        goods.Code, GoodsCodeTakenText(goods.Code), "添加产品失败。");
}

bool CDataStore::DeleteGoods(const std::string& code) {
    if (!CheckRight("goods", Action::Delete))
        return false;
    // Its further units go with it.
    if (!Run("delete from GoodsUnit where Product_ID = ?", {code}) ||
        !Run("delete from ferix_product where Code = ?", {code})) {
        Messages().Inform(DatabaseFailureText("删除产品失败。", m_lastError));
        return false;
    }
    return true;
}

bool CDataStore::ListGoodsClasses(std::vector<GoodsClassRecord>& list) {
    bool ok = Run("select id, parent_name, class_name, class_note from ferix_product_class"
                  " order by id",
                  {}, [&](const CStatement& st) {
                      list.push_back({st.Text(0), st.Text(1), st.Text(2), st.Text(3)});
                  });
    if (!ok)
        Messages().Inform(ConnectFailureText(m_lastError));
    return ok;
}

bool CDataStore::AddGoodsClass(const std::string& className, const std::string& parentName) {
    if (!CheckRight("classes", Action::Enter))
        return false;
    return InsertNewKey("insert into ferix_product_class(parent_name, class_name, class_note)"
                        " values(?, ?, '')",
                        {parentName, className},
                        "select 1 from ferix_product_class where class_name = ? limit 1", className,
                        GoodsClassTakenText(className), "添加商品类目失败。");
}

bool CDataStore::DeleteGoodsClass(const std::string& className) {
    if (!CheckRight("classes", Action::Delete))
        return false;
    if (!Run("delete from ferix_product_class where class_name = ?", {className})) {
        Messages().Inform(DatabaseFailureText("删除商品类名失败。", m_lastError));
        return false;
    }
    return true;
}

bool CDataStore::ListBusinessUnits(const std::string& unitType,
                                   std::vector<BusinessUnitRecord>& list) {
    bool ok = unitType == kAllUnitTypes
                  ? Run(UnitSelect() + " order by Id", {},
                        [&](const CStatement& st) { list.push_back(ReadUnit(st)); })
                  : Run(UnitSelect() + " where CustomerType = ? order by Id", {unitType},
                        [&](const CStatement& st) { list.push_back(ReadUnit(st)); });
    if (!ok)
        Messages().Inform(ConnectFailureText(m_lastError));
    return ok;
}

bool CDataStore::AddBusinessUnit(const BusinessUnitRecord& unit) {
    if (!CheckRight("customers", Action::Enter))
        return false;
    static const std::string sql = InsertStatement("ferix_customer", BusinessUnitColumns());
    SqlValues values;
    for (const auto& c : BusinessUnitColumns())
        values.push_back(unit.*c.field);
    return InsertNewKey(sql, values, "select 1 from ferix_customer where CustomerCode = ? limit 1",
                        unit.CustomerCode, UnitCodeTakenText(unit.CustomerCode),
                        "添加往来单位失败。");
}

bool CDataStore::DeleteBusinessUnit(const std::string& code) {
    if (!CheckRight("customers", Action::Delete))
        return false;
    // An open order still waits for this unit's goods (or money): it keeps the unit's name.
    std::string name;
    const auto ordered = BusinessUnitInOpenOrder(*this, code, &name);
    if (!ordered || *ordered) {
        Messages().Inform(ordered ? BusinessUnitInOpenOrderText(name)
                                  : DatabaseFailureText("删除来往单位失败。", m_lastError));
        return false;
    }
    if (!Run("delete from ferix_customer where CustomerCode = ?", {code})) {
        Messages().Inform(DatabaseFailureText("删除来往单位失败。", m_lastError));
        return false;
    }
    return true;
}
