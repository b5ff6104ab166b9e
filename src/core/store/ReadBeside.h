#pragma once
#include "CStatement.h"

#include <functional>
#include <memory>
#include <string>
#include <thread>
#include <vector>

class CDataStore;

// A read run beside the caller's own: with `beside`, over a second connection to the same data
// (a file, or the server's tables: a kept connection when there is one) on a thread of its own,
// started at once, so that the caller reads something else meanwhile; otherwise (no second
// connection or thread to be had) on `store` when it is waited for. `read` must touch nothing the
// caller touches meanwhile. What it tells the message port is kept and told by Wait, on the
// caller's thread.
class CReadBeside {
public:
    CReadBeside(CDataStore& store, std::function<bool(CDataStore&)> read, bool beside = true);
    // One statement, `onRow` seeing each row.
    CReadBeside(CDataStore& store, std::string sql, SqlValues values,
                std::function<void(const CStatement&)> onRow, bool beside = true);
    ~CReadBeside(); // waits for the thread
    CReadBeside(const CReadBeside&) = delete;
    CReadBeside& operator=(const CReadBeside&) = delete;
    // Waits for the read (or runs it) and tells its messages; false when it failed (`store`'s
    // LastError says why).
    bool Wait();
    // Whether it runs on a thread of its own.
    bool RanBeside() const { return m_thread.joinable() || (m_done && m_beside); }

private:
    void Run(CDataStore& store);

    CDataStore& m_store;
    std::unique_ptr<CDataStore> m_beside;
    std::function<bool(CDataStore&)> m_read;
    std::vector<std::string> m_texts;
    bool m_ok = false, m_done = false;
    std::jthread m_thread; // last: joined before the rest goes
};
