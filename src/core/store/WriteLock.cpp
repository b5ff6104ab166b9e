#include "WriteLock.h"

#include <fcntl.h>
#include <sys/file.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <cstring>
#include <thread>

namespace {
std::atomic<int> g_exclusiveWaitMs = -1;
} // namespace

void CFileWriteLock::SetExclusiveWaitForTest(int milliseconds) {
    g_exclusiveWaitMs = milliseconds;
}

std::filesystem::path WriteLockPath(const std::filesystem::path& folder) {
    return folder / "Data" / ".write.lock";
}

CFileWriteLock::~CFileWriteLock() {
    if (m_fd >= 0)
        ::close(m_fd); // releases the lock with it
}

bool CFileWriteLock::Open(const std::filesystem::path& lockFile) {
    if (m_fd >= 0)
        return true;
    m_fd = ::open(lockFile.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0600);
    if (m_fd < 0)
        m_fd = ::open(lockFile.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    return m_fd >= 0;
}

namespace {
// Asks for the lock `operation` again and again until `until` rather than waiting in the kernel:
// a restore waiting for its exclusive hold then gets it at the first moment no writer holds it.
bool LockUntil(int fd, int operation, std::chrono::steady_clock::time_point until,
               std::chrono::milliseconds pause, const char* busyText, std::string* error) {
    for (;;) {
        if (::flock(fd, operation | LOCK_NB) == 0)
            return true;
        if (errno != EWOULDBLOCK && errno != EINTR) {
            *error = std::strerror(errno);
            return false;
        }
        if (std::chrono::steady_clock::now() >= until) {
            *error = busyText;
            return false;
        }
        std::this_thread::sleep_for(pause);
    }
}
} // namespace

bool CFileWriteLock::LockShared(const std::filesystem::path& lockFile, int waitSeconds,
                                std::string* error) {
    if (m_held)
        return true;
    if (!Open(lockFile))
        return true;
    m_held = LockUntil(m_fd, LOCK_SH,
                       std::chrono::steady_clock::now() + std::chrono::seconds(waitSeconds),
                       std::chrono::milliseconds(5), kRestoreBusyText, error);
    return m_held;
}

bool CFileWriteLock::LockExclusive(const std::filesystem::path& lockFile, std::string* error) {
    if (!Open(lockFile)) {
        *error = std::strerror(errno) + std::string(" (") + lockFile.string() + ")";
        return false;
    }
    const int waitMs =
        g_exclusiveWaitMs >= 0 ? g_exclusiveWaitMs.load() : kWritersWaitSeconds * 1000;
    // Asked for more often than writers ask for theirs, so the gap between two of their
    // transactions is enough.
    m_held = LockUntil(m_fd, LOCK_EX,
                       std::chrono::steady_clock::now() + std::chrono::milliseconds(waitMs),
                       std::chrono::milliseconds(1), kWritersBusyText, error);
    return m_held;
}

void CFileWriteLock::Unlock() {
    if (m_held && m_fd >= 0)
        ::flock(m_fd, LOCK_UN);
    m_held = false;
}
