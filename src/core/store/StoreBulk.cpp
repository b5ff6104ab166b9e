// Bulk writing of sample data on one connection.
#include "CDataStore.h"

void CDataStore::UseFastBulkWrites() {
    if (m_db)
        sqlite3_exec(m_db, "PRAGMA synchronous = OFF", nullptr, nullptr, nullptr);
}
