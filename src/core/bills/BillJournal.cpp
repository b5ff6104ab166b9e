#include "BillJournal.h"

#include "BillKind.h"
#include "BillReversal.h"

#include "port/FailureText.h"
#include "port/MessagePort.h"
#include "store/CDataStore.h"
#include "text/Clock.h"

#include <sodium.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <charconv>
#include <cstdio>
#include <cstring>
#include <span>
#include <string_view>
#include <tuple>
#include <unordered_map>
#include <vector>

namespace {
std::atomic<bool> g_skip = false;

// Layout 1: the stored columns of each bill table, the row id and Canceled left out (a reversal
// is its own entry, the red bill; the mark it sets on its bill is no change of that bill). Bill_ID
// and Bill_Date come first in every list: the check groups and orders rows by them.
constexpr const char* kTradeHeadV1 = "Bill_ID, Bill_Date, Customer, Department, Warehouse, "
                                     "Employee, Introduction, Number, Total, Bank, Pay";
constexpr const char* kTradeLineV1 =
    "Bill_ID, Bill_Date, Customer, Department, Employee, Warehouse, Introduction, Number, Total,"
    " Bank, Pay, Product_ID, Product_Name, Product_Number, Product_Unit, Product_atch,"
    " Product_Date, Product_Price, Product_Total, Product_Note, Product_BarCode";
constexpr const char* kSaleLineV1 =
    "Bill_ID, Bill_Date, Customer, Department, Employee, Warehouse, Introduction, Number, Total,"
    " Bank, Pay, Product_ID, Product_Name, Product_Number, Product_Unit, Product_atch,"
    " Product_Date, Product_Price, Product_Total, Product_Note, Product_BarCode, Product_Cost,"
    " Product_UnitCost";
constexpr const char* kLossGainV1 =
    "Bill_ID, Bill_Date, Department, Employee, Warehouse, Introduction, Number, Total,"
    " Product_ID, Product_Name, Product_Number, Product_Unit, Product_atch, Product_Date,"
    " Product_Price, Product_Total, Product_Note, Product_BarCode";
constexpr const char* kPriceV1 = "Bill_ID, Bill_Date, Department, Employee, Warehouse, "
                                 "Introduction, Product_ID, Product_Name, Product_Unit,"
                                 " Product_Price, Product_Note, Product_BarCode";
constexpr const char* kTransferV1 =
    "Bill_ID, Bill_Date, Department, Employee, Warehouse, ToWarehouse, Introduction, Number,"
    " Product_ID, Product_Name, Product_Number, Product_Unit, Product_Note, Product_BarCode";
// Orders: their hand marks (closed, voided) and delivered quantities are no change of the
// document.
constexpr const char* kOrderHead = "Bill_ID, Bill_Date, Customer, Department, Warehouse, "
                                   "Employee, Introduction, Delivery_Date, Number, Total";
constexpr const char* kOrderLine = "Bill_ID, Product_ID, Product_Name, Product_Number,"
                                   " Product_Unit, Product_Price, Product_Total, Product_Note,"
                                   " Product_BarCode";
constexpr const char* kFundV1 =
    "Bill_ID, Bill_Date, Kind, Customer, Department, Employee, Bank, Amount, Introduction";

// Where a kind's document is stored: an optional header table (one row per bill) and the table
// of its lines (for the kinds whose rows are their lines, the only table).
struct KindTables {
    std::string headTable, headColumns; // empty: no header row
    std::string lineTable, lineColumns; // empty: no lines (receipts and payments)
};

KindTables LayoutV1(BillKind kind) {
    const std::string table = KindNames(kind).tableName;
    if (IsTradeKind(kind)) {
        const bool sale = kind == BillKind::Sale || kind == BillKind::SaleReturn;
        return {table, kTradeHeadV1, table + "_Detail", sale ? kSaleLineV1 : kTradeLineV1};
    }
    if (IsFundKind(kind))
        return {table, kFundV1, "", ""};
    if (IsOrderKind(kind))
        return {table, kOrderHead, table + "_Detail", kOrderLine};
    if (kind == BillKind::Price)
        return {"", "", table, kPriceV1};
    if (kind == BillKind::Transfer)
        return {"", "", table, kTransferV1};
    return {"", "", table, kLossGainV1};
}

// Layout 2: layout 1 with every stock line's quantity in base units (Base_Number) last.
KindTables LayoutV2(BillKind kind) {
    KindTables tables = LayoutV1(kind);
    if (kind != BillKind::Price && !IsFundKind(kind))
        tables.lineColumns += ", Base_Number";
    return tables;
}

std::optional<KindTables> Layout(int version, BillKind kind) {
    if (version == 1)
        return LayoutV1(kind);
    if (version == 2)
        return LayoutV2(kind);
    return std::nullopt;
}

void AppendField(std::string& out, std::string_view field) {
    char length[24];
    const auto end = std::to_chars(length, length + sizeof length, field.size()).ptr;
    out.append(length, end);
    out += ':';
    out += field;
}

// One stored row: its tag ('H' header, 'L' line) and every field of the layout's columns.
void AppendRow(std::string& out, char tag, const CStatement& row, int columns) {
    out += tag;
    for (int i = 0; i < columns; ++i)
        AppendField(out, row.TextView(i));
}

int ColumnCount(const std::string& columns) {
    return static_cast<int>(std::count(columns.begin(), columns.end(), ',')) + 1;
}

// A document's canonical text: its kind's word (so a bill moved to another kind's table is a
// different document), then its header row and its lines as AppendRow wrote them. The one place
// both the posting path and the check put a document's bytes together.
void DocumentText(std::string& out, BillKind kind, std::string_view headRow,
                  std::string_view lineRows) {
    out.clear();
    out.reserve(headRow.size() + lineRows.size() + 24);
    AppendField(out, KindNames(kind).cliName);
    out += headRow;
    out += lineRows;
}

const char* KindText(BillKind kind) {
    static const char* const texts[] = {
        "进货单", "进货退货单", "销售单", "销售退货单", "报损单",       "报溢单",   "调价单",
        "移库单", "收款单",     "付款单", "期初库存",   "期初应收应付", "采购订单", "销售订单"};
    static_assert(std::size(texts) == std::size(kBillKindNames));
    return texts[static_cast<size_t>(kind)];
}

struct Head {
    bool found = false;
    int64_t seq = 0;
    std::string digest = kJournalGenesis;
};

bool ReadHead(CDataStore& store, Head& head, bool lock) {
    const std::string sql = std::string("select Seq, Digest from JournalHead where Id = 1") +
                            (lock && store.IsServer() ? " for update" : "");
    return store.Run(sql, {}, [&](const CStatement& row) {
        head.found = true;
        head.seq = row.Int(0);
        head.digest = row.Text(1);
    });
}

} // namespace

namespace {
// The header row and lines of stored documents, as AppendRow writes them.
struct StoredRows {
    std::string head, lines;
    bool found = false;
};
using RowsByNumber = std::unordered_map<std::string_view, StoredRows>;

// `numbers` bound as one value: a JSON array read by json_each on a file, an array literal on a
// server.
std::string NumberList(const std::vector<std::string_view>& numbers, bool server) {
    std::string list(1, server ? '{' : '[');
    for (const std::string_view number : numbers) {
        if (list.size() > 1)
            list += ',';
        list += '"';
        for (const char c : number) {
            if (c == '"' || c == '\\') {
                list += '\\';
                list += c;
            } else if (!server && static_cast<unsigned char>(c) < 0x20) {
                char escaped[8];
                std::snprintf(escaped, sizeof escaped, "\\u%04x", static_cast<unsigned>(c));
                list += escaped;
            } else {
                list += c;
            }
        }
        list += '"';
    }
    list += server ? '}' : ']';
    return list;
}

// Reads the rows of the documents of `kind` named in `rows` (keyed by views of numbers that
// outlive it) in layout `version`, many in one statement per table: the lines of each in the
// order they were stored. False when a read failed (`store.LastError()`) or the layout is
// unknown.
bool ReadStoredRows(CDataStore& store, int version, BillKind kind, RowsByNumber& rows) {
    const std::optional<KindTables> layout = Layout(version, kind);
    if (!layout)
        return false;
    const bool server = store.IsServer();
    // A single number is read by itself, as is one holding a NUL byte: a file's JSON list ends
    // a text at an escaped NUL.
    std::vector<std::string_view> listed, alone;
    for (const auto& [number, unused] : rows)
        (rows.size() == 1 || number.find('\0') != std::string_view::npos ? alone : listed)
            .push_back(number);
    auto read = [&](const std::string& table, const std::string& columns, char tag,
                    std::string StoredRows::*text, const char* condition, std::string value) {
        const int count = ColumnCount(columns);
        std::string sql = "select " + columns + " from " + table + " where Bill_ID " + condition;
        SqlValues values{std::move(value)};
        if (IsFundKind(kind))
            sql += " and" + FundKindCondition(kind, values);
        sql += " order by Id";
        return store.Run(sql, values, [&](const CStatement& row) {
            const auto it = rows.find(row.TextView(0));
            if (it == rows.end())
                return;
            it->second.found = true;
            AppendRow(it->second.*text, tag, row, count);
        });
    };
    auto readTable = [&](const std::string& table, const std::string& columns, char tag,
                         std::string StoredRows::*text) {
        if (table.empty())
            return true;
        if (!listed.empty() &&
            !read(table, columns, tag, text,
                  server ? "= any(cast(? as text[]))" : "in (select value from json_each(?))",
                  NumberList(listed, server)))
            return false;
        for (const std::string_view number : alone)
            if (!read(table, columns, tag, text, "= ?", std::string(number)))
                return false;
        return true;
    };
    return readTable(layout->headTable, layout->headColumns, 'H', &StoredRows::head) &&
           readTable(layout->lineTable, layout->lineColumns, 'L', &StoredRows::lines);
}
} // namespace

std::optional<std::string> CanonicalBillText(CDataStore& store, int version, BillKind kind,
                                             const std::string& number, bool* failed) {
    if (failed)
        *failed = false;
    if (!Layout(version, kind))
        return std::nullopt;
    RowsByNumber rows;
    const StoredRows& found = rows[number];
    if (!ReadStoredRows(store, version, kind, rows)) {
        if (failed)
            *failed = true;
        return std::nullopt;
    }
    if (!found.found)
        return std::nullopt;
    std::string text;
    DocumentText(text, kind, found.head, found.lines);
    return text;
}

std::string JournalDigest(const std::string& prevDigest, const std::string& text) {
    static const bool ready = sodium_init() >= 0;
    (void)ready;
    unsigned char hash[crypto_generichash_BYTES];
    crypto_generichash_state state;
    crypto_generichash_init(&state, nullptr, 0, sizeof hash);
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(prevDigest.data()),
                              prevDigest.size());
    crypto_generichash_update(&state, reinterpret_cast<const unsigned char*>(text.data()),
                              text.size());
    crypto_generichash_final(&state, hash, sizeof hash);
    char hex[sizeof hash * 2 + 1];
    sodium_bin2hex(hex, sizeof hex, hash, sizeof hash);
    return hex;
}

void SkipJournalForBench(bool skip) {
    g_skip = skip;
}

// The fields in the order of kTradeHeadV1 and of the trade lines of the current layout.
void CJournalDraft::Head(const BillHeaderRecord& h) {
    m_head.clear();
    m_head += 'H';
    for (const std::string* f :
         {&h.Bill_ID, &h.Bill_Date, &h.Customer, &h.Department, &h.Warehouse, &h.Employee,
          &h.Introduction, &h.Number, &h.Total, &h.Bank, &h.Pay})
        AppendField(m_head, *f);
}

void CJournalDraft::Line(const BillDetailRecord& d, bool costed) {
    m_lines += 'L';
    for (const std::string* f :
         {&d.Bill_ID,        &d.Bill_Date,      &d.Customer,      &d.Department,
          &d.Employee,       &d.Warehouse,      &d.Introduction,  &d.Number,
          &d.Total,          &d.Bank,           &d.Pay,           &d.Product_ID,
          &d.Product_Name,   &d.Product_Number, &d.Product_Unit,  &d.Product_atch,
          &d.Product_Date,   &d.Product_Price,  &d.Product_Total, &d.Product_Note,
          &d.Product_BarCode})
        AppendField(m_lines, *f);
    if (costed) {
        AppendField(m_lines, d.Product_Cost);
        AppendField(m_lines, d.Product_UnitCost);
    }
    AppendField(m_lines, d.Base_Number);
}

std::string CJournalDraft::Text(BillKind kind) const {
    std::string text;
    DocumentText(text, kind, m_head, m_lines);
    return text;
}

namespace {
bool AppendEntry(CDataStore& store, BillKind kind, const std::string& number,
                 const CJournalDraft* draft) {
    Head head;
    if (!ReadHead(store, head, true))
        return false;
    bool failed = false;
    std::optional<std::string> text;
#ifdef NDEBUG
    if (draft)
        text = draft->Text(kind);
    else
#endif
        text = CanonicalBillText(store, kJournalLayout, kind, number, &failed);
    if (!text) {
        if (!failed)
            store.SetLastError("单据“" + number + "”没有保存，不能记入单据记录。");
        return false;
    }
#ifndef NDEBUG
    // Every posting of the tests proves the draft equal to what was stored.
    if (draft && draft->Text(kind) != *text) {
        store.SetLastError("单据“" + number + "”的记录文本与保存的单据不一致。");
        return false;
    }
#endif
    const std::string digest = JournalDigest(head.digest, *text);
    const std::string seq = std::to_string(head.seq + 1);
    if (!store.Run("insert into BillJournal(Seq, Kind, Bill_ID, Version, Digest, PrevDigest, At)"
                   " values(?, ?, ?, ?, ?, ?, ?)",
                   {seq, KindNames(kind).cliName, number, std::to_string(kJournalLayout), digest,
                    head.digest, FormatNow("%Y-%m-%d %H:%M:%S")}))
        return false;
    // Two first postings on a server both insert the head: the second fails on its key and
    // its transaction runs again, then finding the head.
    return head.found
               ? store.Run("update JournalHead set Seq = ?, Digest = ? where Id = 1", {seq, digest})
               : store.Run("insert into JournalHead(Id, Seq, Digest) values(1, ?, ?)",
                           {seq, digest});
}
} // namespace

bool AppendToJournal(CDataStore& store, BillKind kind, const std::string& number,
                     const CJournalDraft* draft) {
    if (g_skip || AppendEntry(store, kind, number, draft))
        return true;
    // Told as a failed read or write of the posting is told; an attempt that met another
    // workstation runs again and says nothing.
    if (!store.Conflict())
        Messages().Inform(
            DatabaseFailureText("", store.LastErrorCodeText() + "+" + store.LastError()));
    return false;
}

bool BuildJournalChain(CDataStore& store) {
    if (!store.Begin())
        return false;
    auto fail = [&] {
        const std::string error = store.LastError();
        store.Rollback();
        store.SetLastError("建立单据记录失败：" + error);
        return false;
    };
    // On a server a second workstation opening the same tables waits here, then finds the chain
    // built (on a file it waits for the write lock as long as the busy time-out lets it).
    if (store.IsServer() && !store.Run("LOCK TABLE JournalHead IN EXCLUSIVE MODE", {}))
        return fail();
    Head head;
    if (!ReadHead(store, head, false))
        return fail();
    if (!head.found || head.seq >= 0)
        return store.Commit() || fail();
    // The chain starts afresh where the upgrade left its mark (an update: a workstation on the
    // work role may build it, and that role deletes nothing of the journal).
    if (!store.Run("update JournalHead set Seq = 0, Digest = ? where Id = 1", {kJournalGenesis}))
        return fail();
    struct Stored {
        std::string date;
        int64_t id;
        BillKind kind;
        std::string number;
    };
    std::vector<Stored> bills;
    for (const BillKindNames& names : kBillKindNames) {
        const BillKind kind = names.kind;
        const std::string table = names.tableName;
        std::string sql;
        SqlValues values;
        if (IsTradeKind(kind) || IsOrderKind(kind)) {
            sql = "select Bill_ID, Bill_Date, Id from " + table;
        } else if (IsFundKind(kind)) {
            sql = "select Bill_ID, Bill_Date, Id from " + table + " where" +
                  FundKindCondition(kind, values);
        } else {
            sql = "select Bill_ID, min(Bill_Date), min(Id) from " + table + " group by Bill_ID";
        }
        if (!store.Run(sql, values, [&](const CStatement& row) {
                bills.push_back({row.Text(1), row.Int(2), kind, row.Text(0)});
            }))
            return fail();
    }
    std::sort(bills.begin(), bills.end(), [](const Stored& a, const Stored& b) {
        return std::tie(a.date, a.id, a.kind) < std::tie(b.date, b.id, b.kind);
    });
    // In chunks, each kind's documents read in one statement per table and the entries written
    // a hundred a statement: a round trip per bill would take hours on a server over a
    // decade of bills.
    constexpr size_t kChunk = 2000, kInsertRows = 100;
    const std::string at = FormatNow("%Y-%m-%d %H:%M:%S");
    const std::string version = std::to_string(kJournalLayout);
    std::string prev = kJournalGenesis;
    int64_t seq = 0;
    std::string text;
    for (size_t from = 0; from < bills.size(); from += kChunk) {
        const std::span<const Stored> chunk =
            std::span<const Stored>(bills).subspan(from, std::min(kChunk, bills.size() - from));
        std::array<RowsByNumber, std::size(kBillKindNames)> rows;
        for (const Stored& b : chunk)
            rows[static_cast<size_t>(b.kind)].emplace(b.number, StoredRows{});
        for (const BillKindNames& names : kBillKindNames) {
            RowsByNumber& kindRows = rows[static_cast<size_t>(names.kind)];
            if (!kindRows.empty() && !ReadStoredRows(store, kJournalLayout, names.kind, kindRows))
                return fail();
        }
        SqlValues values;
        auto flush = [&] {
            if (values.empty())
                return true;
            std::string sql = "insert into BillJournal(Seq, Kind, Bill_ID, Version, Digest,"
                              " PrevDigest, At) values";
            for (size_t i = 0; i < values.size(); i += 7)
                sql += i == 0 ? "(?, ?, ?, ?, ?, ?, ?)" : ", (?, ?, ?, ?, ?, ?, ?)";
            const bool ok = store.Run(sql, values);
            values.clear();
            return ok;
        };
        for (const Stored& b : chunk) {
            const StoredRows& found = rows[static_cast<size_t>(b.kind)].at(b.number);
            if (!found.found) {
                store.SetLastError("单据“" + b.number + "”没有保存，不能记入单据记录。");
                return fail();
            }
            DocumentText(text, b.kind, found.head, found.lines);
            std::string digest = JournalDigest(prev, text);
            values.insert(values.end(), {std::to_string(++seq), KindNames(b.kind).cliName, b.number,
                                         version, digest, prev, at});
            prev = std::move(digest);
            if (values.size() == kInsertRows * 7 && !flush())
                return fail();
        }
        if (!flush())
            return fail();
    }
    if (!store.Run("update JournalHead set Seq = ?, Digest = ? where Id = 1",
                   {std::to_string(seq), prev}))
        return fail();
    return store.Commit() || fail();
}

namespace {
struct Entry {
    int64_t seq = 0;
    BillKind kind = BillKind::Purchase;
    std::string number;
    int version = 0; // 0: none this program writes
    std::string digest, prev;
    bool kindKnown = false;
    bool forged = false; // a row the program cannot have written
    enum { Unseen, Matches, Differs } state = Unseen;
    bool reversed = false;  // its red bill has an entry
    bool markWrong = false; // a row of its bill carries a Canceled mark its reversal does not
};

bool IsDigestText(const std::string& text) {
    return text.size() == 64 && std::all_of(text.begin(), text.end(), [](char c) {
               return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'f');
           });
}

// The layout an entry names, when it is one this program writes.
std::optional<int> LayoutVersion(const std::string& text) {
    int version = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), version);
    if (error != std::errc() || end != text.data() + text.size() || text.empty() ||
        text.front() == '+' || !Layout(version, BillKind::Purchase))
        return std::nullopt;
    return version;
}

// The entries of one table's documents by number (receipts and payments share a table).
using EntriesByNumber = std::unordered_map<std::string_view, size_t>;

// What the Canceled mark of each row of a bill must be, by its entries: a red bill "2", a bill
// whose red bill is in the journal "1", any other "0" (or empty, as stored before marks).
enum class Mark { Standing, Reversed, Red, Other };

Mark MarkOf(std::string_view mark) {
    if (mark.empty() || mark == kBillStanding)
        return Mark::Standing;
    if (mark == kBillReversed)
        return Mark::Reversed;
    return mark == kBillRed ? Mark::Red : Mark::Other;
}

// The marks of one document's rows: the first, and whether any other differs from it.
struct Marks {
    Mark first = Mark::Standing;
    bool any = false, mixed = false;
    void Add(Mark mark) {
        if (!any)
            first = mark;
        else if (mark != first)
            mixed = true;
        any = true;
    }
};

// Loss, gain and price bills have no mark: read as an empty one, a bill in force.
std::string MarkColumn(BillKind kind) {
    return IsTradeKind(kind) || IsFundKind(kind) || kind == BillKind::Transfer ||
                   kind == BillKind::Opening
               ? ", Canceled"
               : ", ''";
}
} // namespace

JournalCheck CheckJournal(CDataStore& store) {
    JournalCheck check;
    auto failed = [&] {
        check.finding = JournalCheck::Finding::Failed;
        check.error = store.LastError();
        return check;
    };
    // Every column read as text: a row written by hand may hold anything.
    std::vector<Entry> entries;
    if (!store.Run("select Seq, Kind, Bill_ID, Version, Digest, PrevDigest, At from BillJournal"
                   " order by Seq",
                   {}, [&](const CStatement& row) {
                       Entry e;
                       e.seq = row.Int(0);
                       const auto kind = BillKindFromCliName(row.Text(1));
                       e.number = row.Text(2);
                       const auto version = LayoutVersion(row.Text(3));
                       e.digest = row.Text(4);
                       e.prev = row.Text(5);
                       e.forged = !kind || e.number.empty() || !version ||
                                  !IsDigestText(e.digest) || !IsDigestText(e.prev) ||
                                  row.Text(6).empty();
                       e.kindKnown = kind.has_value();
                       if (kind)
                           e.kind = *kind;
                       e.version = version.value_or(0);
                       entries.push_back(std::move(e));
                   }))
        return failed();
    Head head;
    if (!ReadHead(store, head, false))
        return failed();
    check.documents = entries.size();
    // Keyed by views of the entries' own numbers: `entries` does not change from here on.
    std::unordered_map<std::string_view, EntriesByNumber> byTable;
    for (size_t i = 0; i < entries.size(); ++i) {
        Entry& e = entries[i];
        // A second entry of one document is none the program wrote. A row found wrong in other
        // ways still stands for its bill (its red bill's entry vouches for the bill's mark): it
        // is named itself where it stands in the chain.
        if (e.kindKnown && !e.number.empty() &&
            !byTable[KindNames(e.kind).tableName].emplace(e.number, i).second)
            e.forged = true;
    }
    auto entryOf = [&](EntriesByNumber& numbers, std::string_view number) -> Entry* {
        const auto it = numbers.find(number);
        return it == numbers.end() ? nullptr : &entries[it->second];
    };
    for (const Entry& e : entries) {
        if (!e.kindKnown || !IsRedBillNumber(e.number))
            continue;
        const std::string_view reversed(e.number.data(), e.number.size() - strlen(kRedBillSuffix));
        if (Entry* bill = entryOf(byTable[KindNames(e.kind).tableName], reversed))
            bill->reversed = true;
    }

    // Every stored document, each table read once in row order: its entry's digest is recomputed
    // from it, or it is noted as added (the first by date, then as read). A bill's lines follow
    // one another in row order unless two were posted at once on a server; a bill met again
    // after its lines ended is read once more by its number.
    struct Added {
        std::string date;
        int64_t order;
        BillKind kind;
        std::string number;
    };
    std::optional<Added> firstAdded;
    int64_t readOrder = 0;
    std::vector<size_t> scattered;
    std::string text;
    auto finish = [&](EntriesByNumber& numbers, BillKind kind, const std::string& number,
                      const std::string& date, std::string_view headRow, std::string_view lineRows,
                      const Marks& marks) {
        ++readOrder;
        Entry* e = entryOf(numbers, number);
        if (!e) {
            Added a{date, readOrder, kind, number};
            if (!firstAdded ||
                std::tie(a.date, a.order) < std::tie(firstAdded->date, firstAdded->order))
                firstAdded = a;
            return;
        }
        const Mark expected = IsRedBillNumber(number) ? Mark::Red
                              : e->reversed           ? Mark::Reversed
                                                      : Mark::Standing;
        if (marks.mixed || marks.first != expected)
            e->markWrong = true;
        if (e->state != Entry::Unseen) {
            scattered.push_back(static_cast<size_t>(e - entries.data()));
            return;
        }
        // A receipt's number may have become a payment's: the kind word is the entry's own.
        DocumentText(text, e->kind, headRow, lineRows);
        e->state = JournalDigest(e->prev, text) == e->digest ? Entry::Matches : Entry::Differs;
    };

    for (const BillKindNames& names : kBillKindNames) {
        const BillKind kind = names.kind;
        if (kind == BillKind::Payment || kind == BillKind::OpeningBalance)
            continue; // read with the receipts: one table
        // The newest layout's columns: an older layout's are the first of them.
        const KindTables layout = Layout(kJournalLayout, kind).value();
        const int olderCount = ColumnCount(LayoutV1(kind).lineColumns);
        EntriesByNumber& numbers = byTable[names.tableName];
        // The Canceled mark is read after the layout's columns.
        const std::string markColumn = MarkColumn(kind);
        if (layout.lineTable.empty()) {
            // Receipts and payments: one row each.
            const int count = ColumnCount(layout.headColumns);
            std::string row, number;
            if (!store.Run("select " + layout.headColumns + markColumn + " from " +
                               layout.headTable + " order by Id",
                           {}, [&](const CStatement& r) {
                               row.clear();
                               AppendRow(row, 'H', r, count);
                               r.TextInto(0, number);
                               Marks marks;
                               marks.Add(MarkOf(r.TextView(count)));
                               // Column 2 of the layout is the row's Kind.
                               const std::string rowKind(r.TextView(2));
                               const BillKind k =
                                   FundRowIsOfKind(BillKind::Payment, rowKind) ? BillKind::Payment
                                   : FundRowIsOfKind(BillKind::OpeningBalance, rowKind)
                                       ? BillKind::OpeningBalance
                                       : BillKind::Receipt;
                               finish(numbers, k, number, r.Text(1), row, {}, marks);
                           }))
                return failed();
            continue;
        }
        struct HeadRow {
            std::string date, row;
            Mark mark;
        };
        std::unordered_map<std::string, HeadRow> heads;
        if (!layout.headTable.empty()) {
            const int count = ColumnCount(layout.headColumns);
            if (!store.Run("select " + layout.headColumns + markColumn + " from " +
                               layout.headTable + " order by Id",
                           {}, [&](const CStatement& r) {
                               HeadRow h;
                               AppendRow(h.row, 'H', r, count);
                               r.TextInto(1, h.date);
                               h.mark = MarkOf(r.TextView(count));
                               heads.emplace(r.Text(0), std::move(h));
                           }))
                return failed();
        }
        const int count = ColumnCount(layout.lineColumns);
        std::string current, date, rows;
        Marks marks;
        bool any = false;
        int fields = count; // the columns of the current bill's own layout
        auto close = [&] {
            if (!any)
                return;
            const auto h = heads.find(current);
            if (h != heads.end()) {
                marks.Add(h->second.mark);
                finish(numbers, kind, current, h->second.date, h->second.row, rows, marks);
                heads.erase(h);
            } else {
                finish(numbers, kind, current, date, {}, rows, marks);
            }
        };
        if (!store.Run("select " + layout.lineColumns + markColumn + " from " + layout.lineTable +
                           " order by Id",
                       {}, [&](const CStatement& r) {
                           const std::string_view number = r.TextView(0);
                           if (!any || number != current) {
                               close();
                               any = true;
                               current = number;
                               r.TextInto(1, date);
                               rows.clear();
                               marks = {};
                               const Entry* e = entryOf(numbers, current);
                               fields = e && e->version == 1 ? olderCount : count;
                           }
                           AppendRow(rows, 'L', r, fields);
                           marks.Add(MarkOf(r.TextView(count)));
                       }))
            return failed();
        close();
        for (const auto& [n, h] : heads) { // headers without lines
            Marks head;
            head.Add(h.mark);
            finish(numbers, kind, n, h.date, h.row, {}, head);
        }
    }
    // Bills whose lines lay apart: read whole by their numbers, as posting reads them.
    std::sort(scattered.begin(), scattered.end());
    scattered.erase(std::unique(scattered.begin(), scattered.end()), scattered.end());
    for (const size_t i : scattered) {
        Entry& e = entries[i];
        bool readFailed = false;
        const std::optional<std::string> text =
            CanonicalBillText(store, e.version, e.kind, e.number, &readFailed);
        if (readFailed)
            return failed();
        e.state =
            text && JournalDigest(e.prev, *text) == e.digest ? Entry::Matches : Entry::Differs;
    }

    auto found = [&](JournalCheck::Finding finding, const Entry& e) {
        check.finding = finding;
        check.kind = e.kind;
        check.number = e.number;
        check.seq = e.seq;
        return check;
    };
    std::string prev = kJournalGenesis;
    int64_t seq = 0;
    for (const Entry& e : entries) {
        if (e.forged) {
            JournalCheck out = found(JournalCheck::Finding::Forged, e);
            // Only a bill of a kind this program knows is named.
            if (!e.kindKnown || e.number.empty())
                out.number.clear();
            return out;
        }
        if (e.prev != prev)
            return found(JournalCheck::Finding::Broken, e);
        // Entries are numbered from 1 without a gap (a gap with its chain whole: a row moved).
        if (e.seq != ++seq)
            return found(JournalCheck::Finding::Forged, e);
        if (e.state == Entry::Unseen)
            return found(JournalCheck::Finding::Removed, e);
        if (e.state == Entry::Differs || e.markWrong)
            return found(JournalCheck::Finding::Changed, e);
        prev = e.digest;
    }
    // Entries cut off the end leave the head pointing past the last one.
    if (entries.empty() ? head.found && head.seq != 0
                        : !head.found || head.seq != entries.back().seq || head.digest != prev) {
        check.finding = JournalCheck::Finding::Broken;
        check.number.clear();
        return check;
    }
    if (firstAdded) {
        check.finding = JournalCheck::Finding::Added;
        check.kind = firstAdded->kind;
        check.number = firstAdded->number;
        return check;
    }
    check.finding = JournalCheck::Finding::Complete;
    return check;
}

std::string JournalCheckText(const JournalCheck& check) {
    using F = JournalCheck::Finding;
    const std::string bill = std::string(KindText(check.kind)) + "“" + check.number + "”";
    switch (check.finding) {
    case F::Complete:
        return "单据记录完整：" + std::to_string(check.documents) + " 张单据。";
    case F::Changed:
        return "单据记录不一致：" + bill + "在本程序之外被修改！";
    case F::Removed:
        return "单据记录不一致：" + bill + "在本程序之外被删除！";
    case F::Added:
        return "单据记录不一致：" + bill + "是在本程序之外添加的！";
    case F::Broken:
        if (check.number.empty())
            return "单据记录不一致：最后的单据记录在本程序之外被删除！";
        return "单据记录不一致：" + bill + "之前的单据记录在本程序之外被修改或删除！";
    case F::Forged:
        return "单据记录不一致：第 " + std::to_string(check.seq) + " 条单据记录" +
               (check.number.empty() ? "" : "（" + bill + "）") + "是在本程序之外写入的！";
    case F::Failed:
        break;
    }
    return "数据校验失败：" + check.error;
}

JournalCheck VerifyBillJournal() {
    CDataStore store;
    if (!store.ConnectMain()) {
        return {}; // Failed, with its reason told by the connect
    }
    JournalCheck check = CheckJournal(store);
    WriteLogEntry("数据校验：" + JournalCheckText(check));
    return check;
}

namespace {
// The store builds the chain of upgraded tables through this (the journal lives above it).
const bool g_builderSet = [] {
    CDataStore::SetJournalBuilder(&BuildJournalChain);
    return true;
}();
} // namespace
