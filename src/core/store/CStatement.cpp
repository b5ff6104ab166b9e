#include "CStatement.h"

#include <cstring>
#include <utility>

CStatement::~CStatement() {
    if (m_stmt)
        sqlite3_finalize(m_stmt);
}

CStatement::CStatement(CStatement&& o) noexcept : m_stmt(std::exchange(o.m_stmt, nullptr)) {}

CStatement& CStatement::operator=(CStatement&& o) noexcept {
    if (this != &o) {
        if (m_stmt)
            sqlite3_finalize(m_stmt);
        m_stmt = std::exchange(o.m_stmt, nullptr);
    }
    return *this;
}

bool CStatement::Prepare(sqlite3* db, const std::string& sql) {
    if (m_stmt) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
    return sqlite3_prepare_v2(db, sql.c_str(), static_cast<int>(sql.size()), &m_stmt, nullptr) ==
           SQLITE_OK;
}

void CStatement::Bind(int index, const std::string& value) {
    sqlite3_bind_text(m_stmt, index, value.data(), static_cast<int>(value.size()),
                      SQLITE_TRANSIENT);
}

void CStatement::BindAll(const SqlValues& values) {
    for (size_t i = 0; i < values.size(); ++i)
        Bind(static_cast<int>(i + 1), values[i]);
}

void CStatement::Reset() {
    sqlite3_reset(m_stmt);
    sqlite3_clear_bindings(m_stmt);
}

int CStatement::Step() {
    return sqlite3_step(m_stmt);
}

int CStatement::ColumnCount() const {
    return sqlite3_column_count(m_stmt);
}

int CStatement::ColumnIndex(const char* name) const {
    int n = sqlite3_column_count(m_stmt);
    for (int i = 0; i < n; ++i) {
        if (std::strcmp(sqlite3_column_name(m_stmt, i), name) == 0)
            return i;
    }
    return -1;
}

std::string CStatement::Text(int index) const {
    if (index < 0)
        return {};
    const unsigned char* p = sqlite3_column_text(m_stmt, index);
    if (!p)
        return {};
    return std::string(reinterpret_cast<const char*>(p),
                       static_cast<size_t>(sqlite3_column_bytes(m_stmt, index)));
}

void CStatement::TextInto(int index, std::string& out) const {
    const unsigned char* p = index < 0 ? nullptr : sqlite3_column_text(m_stmt, index);
    if (!p) {
        out.clear();
        return;
    }
    out.assign(reinterpret_cast<const char*>(p),
               static_cast<size_t>(sqlite3_column_bytes(m_stmt, index)));
}

std::string CStatement::Text(const char* name) const {
    return Text(ColumnIndex(name));
}

int64_t CStatement::Int(int index) const {
    return sqlite3_column_int64(m_stmt, index);
}
