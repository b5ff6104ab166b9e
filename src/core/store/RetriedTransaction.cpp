#include "RetriedTransaction.h"

#include <chrono>
#include <thread>

CRetriedTransaction::CRetriedTransaction(CDataStore& store) : m_store(store) {
    if (!m_store.IsServer())
        return;
    m_store.StartAttempt();
    m_held.emplace();
}

CRetriedTransaction::~CRetriedTransaction() {
    if (!m_held)
        return;
    m_held->Release();
    m_held.reset();
    m_store.EndAttempts();
}

bool CRetriedTransaction::Again() {
    if (!m_held)
        return false;
    const int conflict = m_store.Conflict();
    if (!conflict) {
        m_held->Release();
        return false;
    }
    m_store.Rollback();
    if (m_tried == kTries) {
        // A key that stays taken through every try is no passing conflict: what the last try
        // said stands. Otherwise the workstations kept getting in each other's way.
        if (conflict == SQLITE_CONSTRAINT_UNIQUE) {
            m_held->Release();
            return false;
        }
        m_held->Drop();
        m_held.reset();
        Messages().Inform(kServerBusyText);
        m_gaveUp = true;
        m_store.EndAttempts();
        return false;
    }
    m_held->Drop();
    // The other workstation's transaction usually ends within milliseconds.
    std::this_thread::sleep_for(std::chrono::milliseconds(10 << m_tried));
    ++m_tried;
    m_store.StartAttempt();
    return true;
}
