#pragma once
#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

using SqlValues = std::vector<std::string>;

struct pg_result;

// One prepared SQLite statement with bound text values, finalized on destruction; or a view of
// one row of a server result (the server engine hands each row to the reader this way, and the
// readers read both alike).
class CStatement {
public:
    CStatement() = default;
    ~CStatement();
    CStatement(CStatement&& o) noexcept;
    CStatement& operator=(CStatement&& o) noexcept;
    CStatement(const CStatement&) = delete;
    CStatement& operator=(const CStatement&) = delete;

    // A view of row `row` of a server result; the result stays owned by the engine.
    static CStatement ServerRow(const pg_result* rows, int row);
    void SetServerRow(int row) { m_row = row; }
    // How many rows the server sent for this statement (all of them at once); 0 with a file,
    // whose rows come one step at a time.
    int ServerRowCount() const;

    bool Prepare(sqlite3* db, const std::string& sql);
    void Bind(int index, const std::string& value); // 1-based
    void BindAll(const SqlValues& values);
    void Reset();
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step();

    int ColumnCount() const;
    // -1 when absent. A server folds unquoted names to lower case, so names match in any case.
    int ColumnIndex(const char* name) const;
    // Text of a column; NULL reads as an empty text, numbers as their decimal text.
    std::string Text(int index) const;
    std::string Text(const char* name) const;
    // Text(index) into `out`, keeping out's buffer when it is large enough.
    void TextInto(int index, std::string& out) const;
    // Text(index) without a copy, valid until the statement steps on.
    std::string_view TextView(int index) const;
    int64_t Int(int index) const;

    sqlite3_stmt* Handle() const { return m_stmt; }
    explicit operator bool() const { return m_stmt != nullptr; }

private:
    sqlite3_stmt* m_stmt = nullptr;
    const pg_result* m_rows = nullptr;
    int m_row = 0;
};
