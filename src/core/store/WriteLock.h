#pragma once
#include <filesystem>
#include <string>

// The program-wide write lock. Every write transaction holds it shared; a restore holds it
// exclusive from before its safety copy to its end, so nothing a workstation was told it stored
// falls between the copy and the restore. On a server it is an advisory lock on one key; on files
// an flock on Data/.write.lock, one per program folder whichever data file is written.

// The advisory lock key of the program ("ferixWLK" as eight bytes).
inline constexpr long long kWriteLockKey = 0x6665726978574C4BLL;

// The lock file of the program folder `folder`.
std::filesystem::path WriteLockPath(const std::filesystem::path& folder);

// One hold on Data/.write.lock through a descriptor of its own (two stores in one process lock
// apart, as two programs do). Released at Unlock or when the object goes.
class CFileWriteLock {
public:
    CFileWriteLock() = default;
    ~CFileWriteLock();
    CFileWriteLock(const CFileWriteLock&) = delete;
    CFileWriteLock& operator=(const CFileWriteLock&) = delete;

    // Waits up to `waitSeconds` while a restore holds it. A folder where the file can be neither
    // made nor opened (a read-only one) is no reason to refuse: nothing can be written there.
    bool LockShared(const std::filesystem::path& lockFile, int waitSeconds, std::string* error);
    // Waits until every writer's transaction has ended, up to kWritersWaitSeconds.
    bool LockExclusive(const std::filesystem::path& lockFile, std::string* error);
    // Test seam: how long LockExclusive waits, in milliseconds (a negative value: the default).
    static void SetExclusiveWaitForTest(int milliseconds);
    void Unlock();
    bool Held() const { return m_held; }

private:
    bool Open(const std::filesystem::path& lockFile);

    int m_fd = -1;
    bool m_held = false;
};

// How long a restore waits for the writers' transactions to end.
inline constexpr int kWritersWaitSeconds = 60;
// What a restore says when a writer's transaction did not end in that time.
inline constexpr const char* kWritersBusyText =
    "其他工作站正在写入数据，数据恢复没有进行。请稍后再试。";

// What a write says when a restore kept the data for longer than it waits.
inline constexpr const char* kRestoreBusyText =
    "其他工作站正在恢复数据，等待超时，数据没有写入。请稍后再试。";
