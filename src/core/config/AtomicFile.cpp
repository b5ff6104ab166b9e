#include "config/AtomicFile.h"

#include <atomic>
#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {
std::string SystemError(int err) {
    return std::strerror(err);
}

bool WriteAll(int fd, std::string_view bytes) {
    while (!bytes.empty()) {
        ssize_t n = ::write(fd, bytes.data(), bytes.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        bytes.remove_prefix(static_cast<size_t>(n));
    }
    return true;
}
} // namespace

bool WriteFileAtomically(const fs::path& target, std::string_view bytes, std::string* error) {
    std::string scratch;
    if (!error)
        error = &scratch;
    std::error_code ec;
    fs::path real = target;
    if (fs::is_symlink(target, ec)) {
        fs::path resolved = fs::weakly_canonical(target, ec);
        if (!ec)
            real = resolved;
    }
    fs::path folder = real.parent_path();
    if (folder.empty())
        folder = ".";

    static std::atomic<unsigned> counter{0};
    fs::path temp;
    int fd = -1;
    for (int attempt = 0; attempt < 100 && fd < 0; ++attempt) {
        temp = folder / ("." + real.filename().string() + ".tmp-" + std::to_string(::getpid()) +
                         "-" + std::to_string(counter++));
        fd = ::open(temp.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd < 0 && errno != EEXIST)
            break;
    }
    if (fd < 0) {
        *error = SystemError(errno);
        return false;
    }
    struct stat st {};
    if (::stat(real.c_str(), &st) == 0) {
        if (S_ISDIR(st.st_mode)) {
            ::close(fd);
            ::unlink(temp.c_str());
            *error = SystemError(EISDIR);
            return false;
        }
        // Not fatal when it fails: the content matters more than the mode bits.
        ::fchmod(fd, st.st_mode & 07777);
    }
    if (!WriteAll(fd, bytes) || ::fsync(fd) != 0) {
        int err = errno;
        ::close(fd);
        ::unlink(temp.c_str());
        *error = SystemError(err);
        return false;
    }
    if (::close(fd) != 0) {
        int err = errno;
        ::unlink(temp.c_str());
        *error = SystemError(err);
        return false;
    }
    if (::rename(temp.c_str(), real.c_str()) != 0) {
        int err = errno;
        ::unlink(temp.c_str());
        *error = SystemError(err);
        return false;
    }
    // The rename itself reaches the disk with the folder.
    int dirFd = ::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dirFd >= 0) {
        ::fsync(dirFd);
        ::close(dirFd);
    }
    return true;
}
