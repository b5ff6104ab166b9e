#pragma once
#include <sqlite3.h>

#include <cstdint>
#include <string>
#include <vector>

using SqlValues = std::vector<std::string>;

// One prepared statement with bound text values; finalized on destruction.
class CStatement {
public:
    CStatement() = default;
    ~CStatement();
    CStatement(CStatement&& o) noexcept;
    CStatement& operator=(CStatement&& o) noexcept;
    CStatement(const CStatement&) = delete;
    CStatement& operator=(const CStatement&) = delete;

    bool Prepare(sqlite3* db, const std::string& sql);
    void Bind(int index, const std::string& value); // 1-based
    void BindAll(const SqlValues& values);
    void Reset();
    // SQLITE_ROW, SQLITE_DONE or an error code.
    int Step();

    int ColumnCount() const;
    int ColumnIndex(const char* name) const; // -1 when absent
    // Text of a column; NULL reads as an empty text, numbers as their decimal text.
    std::string Text(int index) const;
    std::string Text(const char* name) const;
    // Text(index) into `out`, keeping out's buffer when it is large enough.
    void TextInto(int index, std::string& out) const;
    int64_t Int(int index) const;

    sqlite3_stmt* Handle() const { return m_stmt; }
    explicit operator bool() const { return m_stmt != nullptr; }

private:
    sqlite3_stmt* m_stmt = nullptr;
};
