#pragma once
#include "CDataStore.h"
#include "port/MessagePort.h"

#include <optional>

// One write transaction run again, whole, when the server refused it because another
// workstation got in the way: a serialization failure, a deadlock, or a key (a bill number the
// program made, a new stock row) taken between this transaction's read and its insert. The next
// run reads afresh and so picks the next free number or adds to the new row. What a refused
// run said is dropped; after the last try the action says kServerBusyText and fails, having
// written nothing. On a file nothing is run again: the file's write lock already made the other
// program wait its turn.
//
// Every attempt begins and ends (commits or rolls back) its own transaction on `store`, and
// leaves the caller's objects as they were when it fails.
class CRetriedTransaction {
public:
    static constexpr int kTries = 5;

    explicit CRetriedTransaction(CDataStore& store);
    ~CRetriedTransaction();
    CRetriedTransaction(const CRetriedTransaction&) = delete;
    CRetriedTransaction& operator=(const CRetriedTransaction&) = delete;

    // After an attempt: true when it met a conflict and tries are left (after a short pause
    // that grows with each try); false when it is the last, its messages then told.
    bool Again();
    // The last try met a conflict too, and kServerBusyText was told.
    bool GaveUp() const { return m_gaveUp; }

private:
    CDataStore& m_store;
    int m_tried = 1;
    bool m_gaveUp = false;
    std::optional<CHeldMessages> m_held;
};

// Runs `attempt` until it needs no other try; returns what the last run returned.
template <class Attempt> auto RunRetried(CDataStore& store, Attempt attempt) {
    CRetriedTransaction tries(store);
    for (;;) {
        auto result = attempt();
        if (!tries.Again())
            return result;
    }
}
