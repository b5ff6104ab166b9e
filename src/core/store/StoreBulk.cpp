// Bulk writing of sample data on one connection.
#include "CDataStore.h"

void CDataStore::UseFastBulkWrites() {
    if (m_engine)
        m_engine->UseFastBulkWrites();
}
