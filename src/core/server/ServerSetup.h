#pragma once
#include <string>
#include <string_view>

// Setting up a server database for program folders (ferix-cli init --server, and a new program
// folder whose Data/server.conf is there before its data).

// Makes both sets of tables on a server database that has none of this program's, with the
// first operator "admin" (`adminHash`, created `created`), the settings row and, unless it is
// empty, the configuration document `configDocument` (its file's bytes), in one transaction.
// A database that holds this program's data already is refused, or, when `joined` is given,
// joined: nothing is written there and *joined is set. Its tables must then be of this version
// or an older one (a later connect upgrades them).
// `emptyAdminPassword` says the hash is of an empty password: refused (kEmptyAdminPasswordText)
// when the tables would be made; joining needs none.
bool CreateServerData(const std::string& conninfo, const std::string& adminHash,
                      const std::string& created, std::string* error,
                      std::string_view configDocument = {}, bool* joined = nullptr,
                      bool emptyAdminPassword = false);

inline constexpr const char* kEmptyAdminPasswordText =
    "服务器上的数据由各工作站共用，admin 的密码不能为空。请给出 admin 的新密码。";
// Said when no work role's connection string was given: the owner's is kept in server.conf.
inline constexpr const char* kOwnerRightsText =
    "没有给出工作用的连接字符串：Data/server.conf 中写入的是建表用的连接字符串，"
    "各工作站将以数据库所有者的权限运行。";
