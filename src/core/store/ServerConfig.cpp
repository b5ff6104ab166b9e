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
    if (::stat(path.c_str(), &st) != 0)
        return conf;
    conf.present = true;
    if ((st.st_mode & 077) != 0) {
        char mode[8];
        std::snprintf(mode, sizeof mode, "%04o", static_cast<unsigned>(st.st_mode & 07777));
        conf.error = std::string("Data/server.conf 的权限是 ") + mode +
                     "，其他用户也能读取。它含有数据库的连接信息（可能有密码），"
                     "请执行 chmod 600 Data/server.conf 后再试。";
        return conf;
    }
    std::ifstream f(path, std::ios::binary);
    if (!f) {
        conf.error = std::string("无法读取 Data/server.conf：") + std::strerror(errno);
        return conf;
    }
    // One connection string; lines starting with # are notes.
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
    const int fd = ::open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    if (fd < 0 || ::fchmod(fd, 0600) != 0) {
        *error = "无法写入 Data/server.conf：" + std::string(std::strerror(errno));
        if (fd >= 0)
            ::close(fd);
        return false;
    }
    const std::string text = conninfo + "\n";
    const bool ok = ::write(fd, text.data(), text.size()) == static_cast<ssize_t>(text.size());
    if (::close(fd) != 0 || !ok) {
        *error = "无法写入 Data/server.conf。";
        return false;
    }
    return true;
}
