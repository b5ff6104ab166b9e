#include "MasterDataImport.h"

#include "GoodsStore.h"
#include "GoodsUnits.h"
#include "UnitStore.h"
#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "rights/PriceVisibility.h"
#include "store/AllEntries.h"
#include "store/CDataStore.h"
#include "store/RightCheck.h"
#include "store/Session.h"
#include "text/CsvReader.h"
#include "text/Money.h"
#include "text/PinyinInitials.h"

#include <algorithm>
#include <map>
#include <set>

namespace {
std::string LinePrefix(size_t line) {
    return "第" + std::to_string(line) + "行：";
}

// The goods window's headers of the price columns, for messages.
const std::map<std::string, const char*>& PriceColumns() {
    static const std::map<std::string, const char*> columns = {
        {"PricePre1", "预售价1"},  {"PricePre2", "预售价2"}, {"PricePre3", "预售价3"},
        {"RetailPrice", "零售价"}, {"PriceLow", "最低售价"}, {"PriceHigh", "最高售价"},
        {"PriceIn", "预设进价"}};
    return columns;
}

// A role writes no price it does not see: the goods form shows it "***" and keeps it, a file
// or the command line naming it is refused.
bool MayWriteColumn(const std::string& column) {
    if (!HidesPrice(Session().rights, GoodsColumnPriceKind(column)))
        return true;
    Messages().Inform("“" + column + "”是您的角色看不到的价格，不能修改！");
    return false;
}

// Reads the CSV text into records of the table: the header row chooses the columns.
template <class Record, class Columns>
std::optional<std::vector<std::pair<size_t, Record>>> ReadRecords(std::string_view csv,
                                                                  const Columns& columns) {
    std::string error;
    auto records = ParseCsv(csv, &error);
    if (!records) {
        Messages().Inform(error);
        return std::nullopt;
    }
    if (records->empty()) {
        Messages().Inform("文件中没有标题行！");
        return std::nullopt;
    }
    using Field = std::string Record::*;
    std::vector<Field> fields;
    std::set<std::string> seen;
    for (const std::string& name : records->front().fields) {
        if (!MayWriteColumn(name))
            return std::nullopt;
        Field field = nullptr;
        for (const auto& c : columns) {
            if (name == c.name)
                field = c.field;
        }
        if (!field) {
            std::string known;
            for (const auto& c : columns)
                known += std::string(known.empty() ? "" : ", ") + c.name;
            Messages().Inform("标题行中有未知的列名“" + name + "”！可用的列名：" + known);
            return std::nullopt;
        }
        if (!seen.insert(name).second) {
            Messages().Inform("标题行中的列名“" + name + "”重复！");
            return std::nullopt;
        }
        fields.push_back(field);
    }
    std::vector<std::pair<size_t, Record>> out;
    for (size_t i = 1; i < records->size(); ++i) {
        const CsvRecord& r = (*records)[i];
        if (r.fields.size() == 1 && r.fields[0].empty())
            continue; // a blank line
        if (r.fields.size() != fields.size()) {
            Messages().Inform(LinePrefix(r.line) + "字段数（" + std::to_string(r.fields.size()) +
                              "）与标题行（" + std::to_string(fields.size()) + "）不一致！");
            return std::nullopt;
        }
        Record record{};
        for (size_t k = 0; k < fields.size(); ++k)
            record.*fields[k] = r.fields[k];
        out.emplace_back(r.line, std::move(record));
    }
    return out;
}

// Runs the import in one immediate transaction: the codes that exist are read, every row is
// checked and stored while no other program can add a code, so a clash is always named by its
// line. `check` answers the refusal of a row, or nothing.
template <class Record, class Check, class Add>
ImportOutcome CheckAndStore(CDataStore& store, std::vector<std::pair<size_t, Record>>& rows,
                            Check check, Add add, size_t* added) {
    if (!store.Begin()) {
        Messages().Inform(DatabaseFailureText("", store.LastError()));
        return ImportOutcome::Refused;
    }
    auto refuse = [&](const std::optional<std::string>& text) {
        store.Rollback();
        if (text)
            Messages().Inform(*text);
        return ImportOutcome::Refused;
    };
    auto problem = check(rows);
    if (!problem || !problem->empty())
        return refuse(problem);
    for (const auto& [line, record] : rows) {
        if (!add(record))
            return refuse(std::nullopt);
    }
    if (!store.Commit()) {
        store.Rollback();
        Messages().Inform(DatabaseFailureText("", store.LastError()));
        return ImportOutcome::Refused;
    }
    if (added)
        *added = rows.size();
    return ImportOutcome::Imported;
}

// A code of the file that is taken, by the data or by an earlier line of the file: the refusal
// naming its line, or nothing.
class CCodeClashes {
public:
    explicit CCodeClashes(std::set<std::string> existing) : m_existing(std::move(existing)) {}
    std::optional<std::string> Check(size_t line, const std::string& code,
                                     std::string (*takenText)(const std::string&),
                                     const char* repeatedWhat) {
        if (m_existing.count(code))
            return LinePrefix(line) + takenText(code);
        auto [it, fresh] = m_inFile.emplace(code, line);
        if (!fresh)
            return LinePrefix(line) + repeatedWhat + "“" + code + "”与第" +
                   std::to_string(it->second) + "行重复，请换一个编码！";
        return std::nullopt;
    }

private:
    std::set<std::string> m_existing;
    std::map<std::string, size_t> m_inFile;
};
} // namespace

namespace {
// What refuses a goods item of the import or a change: the form's checks, a class that does not
// exist, prices, the check box's texts. An empty 助记码 and 是否可用 are filled as the form
// fills them.
std::optional<std::string> CheckGoodsRow(GoodsRecord& g, const std::set<std::string>& classNames) {
    if (auto problem = CheckGoodsForm(g))
        return problem;
    if (g.SmartName.empty())
        g.SmartName = PinyinInitials(g.ProductName);
    // The form offers only existing classes.
    if (!classNames.count(g.ClassName))
        return "商品类别“" + g.ClassName + "”不存在！";
    for (const auto& c : GoodsColumns()) {
        auto price = PriceColumns().find(c.name);
        if (price == PriceColumns().end())
            continue;
        const std::string& text = g.*c.field;
        auto value = CMoney::Parse(text);
        if (!text.empty() && (!value || *value < CMoney()))
            return price->second + std::string("“") + text + "”不是有效的价格！";
    }
    // The form's check box gives "是" or "否", unchecked at first.
    if (g.Available.empty())
        g.Available = "否";
    if (g.Available != "是" && g.Available != "否")
        return "商品是否可用只能是“是”或“否”！";
    return std::nullopt;
}

std::optional<std::string> CheckUnitRow(const BusinessUnitRecord& u) {
    if (auto problem = CheckBusinessUnitForm(u))
        return problem;
    if (u.CustomerType != "供应商" && u.CustomerType != "客户")
        return "单位类型只能是“供应商”或“客户”！";
    return std::nullopt;
}

std::optional<std::set<std::string>> ClassNames(CDataStore& store) {
    std::vector<GoodsClassRecord> classes;
    if (!store.ListGoodsClasses(classes))
        return std::nullopt;
    std::set<std::string> names;
    for (const auto& c : classes)
        names.insert(c.class_name);
    return names;
}

// Puts each named column's text into the record; false on a name the record has no column of.
// The code is the record's identity and is never among them.
template <class Record, class Columns>
bool ApplyFields(Record& record, const Columns& columns, const FieldValues& fields,
                 std::string Record::*code) {
    for (const auto& field : fields) {
        // Named, not bound: a lambda cannot capture a structured binding with every compiler.
        const std::string& name = field.first;
        const std::string& value = field.second;
        auto column = std::find_if(columns.begin(), columns.end(), [&](const auto& c) {
            return c.name == name && c.field != code;
        });
        if (column == columns.end()) {
            Messages().Inform("字段“" + name + "”不能修改！");
            return false;
        }
        record.*column->field = value;
    }
    return true;
}
} // namespace

std::optional<std::string> CheckGoodsForm(const GoodsRecord& goods) {
    if (goods.Code.empty())
        return "商品编码不能为空！";
    if (goods.ProductName.empty())
        return "商品名称不能为空！";
    if (goods.ClassName.empty())
        return "商品分类不能为空！";
    return std::nullopt;
}

std::optional<std::string> CheckBusinessUnitForm(const BusinessUnitRecord& unit) {
    if (unit.CustomerCode.empty())
        return "单位编码不能为空！";
    if (unit.CustomerName.empty())
        return "单位名称不能为空！";
    if (unit.CustomerType.empty())
        return "单位类型不能为空！";
    return std::nullopt;
}

bool DeleteGoodsIfUnused(const std::string& code) {
    if (!CheckRight("goods", Action::Delete))
        return false;
    CDataStore store;
    if (!store.ConnectMain())
        return false;
    auto inUse = IsGoodsInUse(store, code);
    if (!inUse)
        return false;
    if (*inUse) {
        Messages().Inform("此商品正在使用中，不能删除！");
        return false;
    }
    return store.DeleteGoods(code);
}

ImportOutcome ImportGoodsCsv(std::string_view csv, size_t* added) {
    if (added)
        *added = 0;
    if (!CheckRight("goods", Action::Enter))
        return ImportOutcome::Refused;
    auto rows = ReadRecords<GoodsRecord>(csv, GoodsColumns());
    if (!rows)
        return ImportOutcome::Refused;
    CDataStore store;
    if (!store.ConnectMain())
        return ImportOutcome::ConnectFailed;
    // Nothing: a read failed (its message shown); empty: all rows pass; else the refusal.
    auto check =
        [&](std::vector<std::pair<size_t, GoodsRecord>>& records) -> std::optional<std::string> {
        auto classNames = ClassNames(store);
        if (!classNames)
            return std::nullopt;
        std::set<std::string> codes;
        if (!ForEachGoods(store, kAllGoods, [&](const GoodsRecord& g) { codes.insert(g.Code); }))
            return std::nullopt;
        CCodeClashes clashes(std::move(codes));
        for (auto& [line, g] : records) {
            if (auto problem = CheckGoodsRow(g, *classNames))
                return LinePrefix(line) + *problem;
            if (auto clash = clashes.Check(line, g.Code, GoodsCodeTakenText, "商品编码"))
                return clash;
            bool failed = false;
            if (auto taken = GoodsBarcodeTakenByUnit(store, g.BarCode, &failed))
                return LinePrefix(line) + *taken;
            if (auto taken = failed ? std::nullopt : GoodsCodeTakenByUnit(store, g.Code, &failed))
                return LinePrefix(line) + *taken;
            if (failed) {
                Messages().Inform(DatabaseFailureText("", store.LastError()));
                return std::nullopt;
            }
        }
        return std::string();
    };
    return CheckAndStore(
        store, *rows, check, [&](const GoodsRecord& g) { return store.AddGoods(g); }, added);
}

ImportOutcome ImportBusinessUnitsCsv(std::string_view csv, size_t* added) {
    if (added)
        *added = 0;
    if (!CheckRight("customers", Action::Enter))
        return ImportOutcome::Refused;
    auto rows = ReadRecords<BusinessUnitRecord>(csv, BusinessUnitColumns());
    if (!rows)
        return ImportOutcome::Refused;
    CDataStore store;
    if (!store.ConnectMain())
        return ImportOutcome::ConnectFailed;
    auto check = [&](std::vector<std::pair<size_t, BusinessUnitRecord>>& records)
        -> std::optional<std::string> {
        std::vector<BusinessUnitRecord> existing;
        if (!store.ListBusinessUnits(kAllUnitTypes, existing))
            return std::nullopt;
        std::set<std::string> codes;
        for (const auto& u : existing)
            codes.insert(u.CustomerCode);
        CCodeClashes clashes(std::move(codes));
        for (const auto& [line, u] : records) {
            if (auto problem = CheckUnitRow(u))
                return LinePrefix(line) + *problem;
            if (auto clash = clashes.Check(line, u.CustomerCode, UnitCodeTakenText, "单位编码"))
                return clash;
        }
        return std::string();
    };
    return CheckAndStore(
        store, *rows, check, [&](const BusinessUnitRecord& u) { return store.AddBusinessUnit(u); },
        added);
}

UpdateOutcome UpdateGoodsFields(const std::string& code, const FieldValues& fields) {
    if (!CheckRight("goods", Action::Enter))
        return UpdateOutcome::Refused;
    for (const auto& field : fields)
        if (!MayWriteColumn(field.first))
            return UpdateOutcome::Refused;
    CDataStore store;
    if (!store.ConnectMain())
        return UpdateOutcome::ConnectFailed;
    auto goods = FindGoods(store, code);
    if (!goods) {
        Messages().Inform(store.LastError().empty() ? GoodsNotFoundText(code)
                                                    : ConnectFailureText(store.LastError()));
        return store.LastError().empty() ? UpdateOutcome::NotFound : UpdateOutcome::Refused;
    }
    auto classNames = ClassNames(store);
    if (!classNames)
        return UpdateOutcome::Refused;
    if (!ApplyFields(*goods, GoodsColumns(), fields, &GoodsRecord::Code))
        return UpdateOutcome::Refused;
    if (auto problem = CheckGoodsRow(*goods, *classNames)) {
        Messages().Inform(*problem);
        return UpdateOutcome::Refused;
    }
    return UpdateGoods(store, *goods) ? UpdateOutcome::Updated : UpdateOutcome::Refused;
}

UpdateOutcome UpdateBusinessUnitFields(const std::string& code, const FieldValues& fields) {
    if (!CheckRight("customers", Action::Enter))
        return UpdateOutcome::Refused;
    CDataStore store;
    if (!store.ConnectMain())
        return UpdateOutcome::ConnectFailed;
    auto unit = FindBusinessUnit(store, code);
    if (!unit) {
        Messages().Inform(store.LastError().empty() ? UnitNotFoundText(code)
                                                    : ConnectFailureText(store.LastError()));
        return store.LastError().empty() ? UpdateOutcome::NotFound : UpdateOutcome::Refused;
    }
    if (!ApplyFields(*unit, BusinessUnitColumns(), fields, &BusinessUnitRecord::CustomerCode))
        return UpdateOutcome::Refused;
    if (auto problem = CheckUnitRow(*unit)) {
        Messages().Inform(*problem);
        return UpdateOutcome::Refused;
    }
    return UpdateBusinessUnit(store, *unit) ? UpdateOutcome::Updated : UpdateOutcome::Refused;
}
