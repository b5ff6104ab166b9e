#include "CStatement.h"

#include <libpq-fe.h>

#include <cstdlib>
#include <cstring>
#include <strings.h>
#include <utility>

CStatement::~CStatement() {
    if (m_stmt)
        sqlite3_finalize(m_stmt);
}

CStatement::CStatement(CStatement&& o) noexcept
    : m_stmt(std::exchange(o.m_stmt, nullptr)), m_rows(std::exchange(o.m_rows, nullptr)),
      m_row(o.m_row) {}

CStatement& CStatement::operator=(CStatement&& o) noexcept {
    if (this != &o) {
        if (m_stmt)
            sqlite3_finalize(m_stmt);
        m_stmt = std::exchange(o.m_stmt, nullptr);
        m_rows = std::exchange(o.m_rows, nullptr);
        m_row = o.m_row;
    }
    return *this;
}

CStatement CStatement::ServerRow(const pg_result* rows, int row) {
    CStatement st;
    st.m_rows = rows;
    st.m_row = row;
    return st;
}

int CStatement::ServerRowCount() const {
    return m_rows ? PQntuples(m_rows) : 0;
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
    if (m_rows)
        return PQnfields(m_rows);
    return sqlite3_column_count(m_stmt);
}

int CStatement::ColumnIndex(const char* name) const {
    if (m_rows) {
        const int n = PQnfields(m_rows);
        for (int i = 0; i < n; ++i) {
            if (strcasecmp(PQfname(m_rows, i), name) == 0)
                return i;
        }
        return -1;
    }
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
    if (m_rows) {
        if (index >= PQnfields(m_rows))
            return {};
        return std::string(PQgetvalue(m_rows, m_row, index),
                           static_cast<size_t>(PQgetlength(m_rows, m_row, index)));
    }
    const unsigned char* p = sqlite3_column_text(m_stmt, index);
    if (!p)
        return {};
    return std::string(reinterpret_cast<const char*>(p),
                       static_cast<size_t>(sqlite3_column_bytes(m_stmt, index)));
}

void CStatement::TextInto(int index, std::string& out) const {
    if (m_rows) {
        if (index < 0 || index >= PQnfields(m_rows))
            out.clear();
        else
            out.assign(PQgetvalue(m_rows, m_row, index),
                       static_cast<size_t>(PQgetlength(m_rows, m_row, index)));
        return;
    }
    const unsigned char* p = index < 0 ? nullptr : sqlite3_column_text(m_stmt, index);
    if (!p) {
        out.clear();
        return;
    }
    out.assign(reinterpret_cast<const char*>(p),
               static_cast<size_t>(sqlite3_column_bytes(m_stmt, index)));
}

std::string_view CStatement::TextView(int index) const {
    if (m_rows) {
        if (index < 0 || index >= PQnfields(m_rows))
            return {};
        return {PQgetvalue(m_rows, m_row, index),
                static_cast<size_t>(PQgetlength(m_rows, m_row, index))};
    }
    const unsigned char* p = index < 0 ? nullptr : sqlite3_column_text(m_stmt, index);
    if (!p)
        return {};
    return {reinterpret_cast<const char*>(p),
            static_cast<size_t>(sqlite3_column_bytes(m_stmt, index))};
}

std::string CStatement::Text(const char* name) const {
    return Text(ColumnIndex(name));
}

int64_t CStatement::Int(int index) const {
    if (m_rows)
        return index < 0 || index >= PQnfields(m_rows)
                   ? 0
                   : std::strtoll(PQgetvalue(m_rows, m_row, index), nullptr, 10);
    return sqlite3_column_int64(m_stmt, index);
}
