#include "RetriedTransaction.h"

#include <chrono>
#include <random>
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
    // The other workstation's transaction usually ends within milliseconds. The pause is drawn
    // at random within its span: workstations that met on one bill number would otherwise come
    // back in step and meet on the next one too.
    static thread_local std::minstd_rand random(std::random_device{}());
    const int span = 10 << m_tried;
    std::this_thread::sleep_for(
        std::chrono::milliseconds(span / 2 + std::uniform_int_distribution<int>(0, span)(random)));
    ++m_tried;
    m_store.StartAttempt();
    return true;
}
