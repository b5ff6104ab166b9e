#include "ServerConfig.h"

#include <fcntl.h>
#include <libpq-fe.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <sstream>

namespace fs = std::filesystem;

fs::path ServerConfigPath(const fs::path& folder) {
    return folder / "Data" / "server.conf";
}

ServerConfig ReadServerConfig(const fs::path& folder) {
    ServerConfig conf;
    const fs::path path = ServerConfigPath(folder);
    struct stat st {};
    if (::lstat(path.c_str(), &st) != 0)
        return conf;
    conf.present = true;
    // Never followed through a link: whoever can place one could point the program at a
    // server of their choosing, or at a file of their own. Not waited on either: a FIFO put in
    // its place would hold the program until someone writes to it; it is refused below.
    const int fd = ::open(path.c_str(), O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
    if (fd < 0) {
        conf.error = errno == ELOOP
                         ? std::string("Data/server.conf 是一个符号链接，不能使用。"
                                       "请把连接字符串写在文件本身中。")
                         : std::string("无法读取 Data/server.conf：") + std::strerror(errno);
        return conf;
    }
    struct Closer {
        int fd;
        ~Closer() { ::close(fd); }
    } closer{fd};
    if (::fstat(fd, &st) != 0 || !S_ISREG(st.st_mode)) {
        conf.error = "Data/server.conf 不是一个普通文件，不能使用。";
        return conf;
    }
    if (st.st_uid != ::geteuid()) {
        conf.error = "Data/server.conf 不属于运行本程序的用户（它属于用户编号 " +
                     std::to_string(st.st_uid) + "，运行本程序的是 " + std::to_string(::geteuid()) +
                     "），不能使用。请由运行本程序的用户重新写入它。";
        return conf;
    }
    if ((st.st_mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        conf.error = std::string("Data/server.conf 的权限是 ") + mode +
                     "，其他用户也能读取。它含有数据库的连接信息（可能有密码），"
                     "请执行 chmod 600 Data/server.conf 后再试。";
        return conf;
    }
    std::string bytes;
    char buffer[4096];
    for (;;) {
        const ssize_t n = ::read(fd, buffer, sizeof buffer);
        if (n > 0) {
            bytes.append(buffer, static_cast<size_t>(n));
        } else if (n == 0) {
            break;
        } else if (errno != EINTR) {
            conf.error = std::string("无法读取 Data/server.conf：") + std::strerror(errno);
            return conf;
        }
    }
    // One connection string; lines starting with # are notes.
    std::istringstream f(bytes);
    std::string line, text;
    while (std::getline(f, line)) {
        const size_t start = line.find_first_not_of(" \t\r");
        if (start == std::string::npos || line[start] == '#')
            continue;
        const size_t end = line.find_last_not_of(" \t\r");
        if (!text.empty())
            text += ' ';
        text += line.substr(start, end - start + 1);
    }
    if (text.empty()) {
        conf.error = "Data/server.conf 中没有数据库的连接字符串。";
        return conf;
    }
    // libpq's own complaint may quote the string, password and all: it is not repeated.
    char* parseError = nullptr;
    PQconninfoOption* options = PQconninfoParse(text.c_str(), &parseError);
    if (!options) {
        PQfreemem(parseError);
        conf.error = "Data/server.conf 中的连接字符串格式不正确。";
        return conf;
    }
    PQconninfoFree(options);
    conf.conninfo = text;
    return conf;
}

bool WriteServerConfig(const fs::path& folder, const std::string& conninfo, std::string* error) {
    const fs::path path = ServerConfigPath(folder);
    // A new file (mkstemp makes it 0600), on disk before it takes the name: a crash leaves the
    // old string or the new one, never half of one, and never a link followed.
    std::string temp = (path.parent_path() / ".server.conf.XXXXXX").string();
    const int fd = ::mkstemp(temp.data());
    if (fd < 0) {
        *error = "无法写入 Data/server.conf：" + std::string(std::strerror(errno));
        return false;
    }
    const std::string text = conninfo + "\n";
    bool ok = ::fchmod(fd, 0600) == 0 &&
              ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size()) &&
              ::fsync(fd) == 0;
    ok = ::close(fd) == 0 && ok;
    ok = ok && ::rename(temp.c_str(), path.c_str()) == 0;
    if (!ok) {
        *error = "无法写入 Data/server.conf：" + std::string(std::strerror(errno));
        ::unlink(temp.c_str());
        return false;
    }
    // The new name itself must survive a crash too.
    const int dir = ::open(path.parent_path().c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (dir >= 0) {
        ::fsync(dir);
        ::close(dir);
    }
    return true;
}
