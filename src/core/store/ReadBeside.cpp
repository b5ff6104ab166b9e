#include "ReadBeside.h"

#include "CDataStore.h"
#include "port/MessagePort.h"

#include <system_error>
#include <utility>

CReadBeside::CReadBeside(CDataStore& store, std::function<bool(CDataStore&)> read, bool beside)
    : m_store(store), m_read(std::move(read)) {
    if (!beside)
        return;
    m_beside = std::make_unique<CDataStore>();
    if (!m_beside->ConnectBeside(store)) {
        m_beside.reset();
        return;
    }
    try {
        m_thread = std::jthread([this] { Run(*m_beside); });
    } catch (const std::system_error&) { // no thread to be had: read when waited for
        m_beside.reset();
    }
}

CReadBeside::CReadBeside(CDataStore& store, std::string sql, SqlValues values,
                         std::function<void(const CStatement&)> onRow, bool beside)
    : CReadBeside(
          store,
          [sql = std::move(sql), values = std::move(values),
           onRow = std::move(onRow)](CDataStore& s) { return s.Run(sql, values, onRow); },
          beside) {}

CReadBeside::~CReadBeside() = default;

void CReadBeside::Run(CDataStore& store) {
    CHeldMessages held; // a thread of its own tells nothing itself
    try {
        m_ok = m_read(store);
    } catch (...) { // nothing may leave the thread: a failed read
        m_ok = false;
        store.SetLastError("the read beside failed");
    }
    m_texts = held.Take();
}

bool CReadBeside::Wait() {
    if (m_done)
        return m_ok;
    m_done = true;
    if (m_thread.joinable()) {
        m_thread.join();
        if (!m_ok)
            m_store.SetLastError(m_beside->LastError());
    } else {
        Run(m_store);
    }
    for (const std::string& text : m_texts)
        Messages().Inform(text);
    return m_ok;
}
