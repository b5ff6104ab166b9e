#include "ProcessSecrets.h"

#include <signal.h>
#include <sys/resource.h>
#include <unistd.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

namespace fs = std::filesystem;

void DisableCoreDumps() {
    const rlimit none{0, 0};
    ::setrlimit(RLIMIT_CORE, &none);
}

std::optional<std::string> TakeEnvironmentSecret(const char* name) {
    char* value = std::getenv(name);
    if (!value)
        return std::nullopt;
    std::string taken = value;
    // unsetenv only drops the pointer; the bytes of "NAME=value" stay where /proc shows them
    // until overwritten.
    char* entry = value - std::strlen(name) - 1;
    ::unsetenv(name);
    std::memset(entry, 0, std::strlen(name) + 1 + taken.size());
    return taken;
}

std::string SecretFilePrefix(const std::string& kind) {
    return kind + "-" + std::to_string(::getpid()) + "-";
}

namespace {
bool ProcessRuns(pid_t pid) {
    return pid > 0 && (::kill(pid, 0) == 0 || errno == EPERM);
}
} // namespace

int RemoveLeftSecretFiles(const fs::path& tempFolder) {
    int removed = 0;
    std::error_code ec;
    fs::directory_iterator it(tempFolder, ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        const std::string name = it->path().filename().string();
        for (const char* kind : {"pgpass-", "pgservice-"}) {
            if (!name.starts_with(kind))
                continue;
            // "<kind><pid>-<random>"; a name without a writer is an older version's.
            const std::string rest = name.substr(std::strlen(kind));
            char* stop = nullptr;
            const long pid = std::strtol(rest.c_str(), &stop, 10);
            const bool hasWriter = stop != rest.c_str() && *stop == '-';
            std::error_code removeError;
            if ((!hasWriter || !ProcessRuns(static_cast<pid_t>(pid))) &&
                fs::remove(it->path(), removeError))
                ++removed;
        }
    }
    return removed;
}
