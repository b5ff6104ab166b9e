#include "BatchedRead.h"

#include "CDataStore.h"

#include <cstdint>

namespace {
constexpr int64_t kBatch = 5000;
} // namespace

bool RunInBatches(CDataStore& store, const std::string& sql, const SqlValues& values,
                  const std::function<void(const CStatement&)>& onRow) {
    if (!store.IsServer())
        return store.Run(sql, values, onRow);
    if (!store.Begin())
        return false;
    auto fail = [&] {
        std::string error = store.LastError();
        store.Rollback();
        store.SetLastError(std::move(error));
        return false;
    };
    if (!store.Run("declare ferix_batch no scroll cursor for " + sql, values))
        return fail();
    for (int64_t got = kBatch; got == kBatch;) {
        got = 0;
        if (!store.Run("fetch forward " + std::to_string(kBatch) + " from ferix_batch", {},
                       [&](const CStatement& st) {
                           ++got;
                           onRow(st);
                       }))
            return fail();
    }
    return store.Commit() || fail(); // the cursor ends with its transaction
}
