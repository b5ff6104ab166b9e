#pragma once
#include "port/AdminResult.h"

#include <string>

// The owner's acts on a program folder whose data is on a server: giving a database role the
// rights of daily work, and upgrading the tables when the workstations' own role may not. The
// owner's connection string is asked for at that moment, used for the act and never stored.
// Both tell their outcome through the message port.

// Upgrades the tables to this program's version first, then remembers `role` and grants it the
// rights of daily work (store/WorkRights.h): "已授予数据库角色“ROLE”日常工作的权限。".
AdminResult GrantWorkRole(const std::string& ownerConninfo, const std::string& role);

// At a folder's set-up, while the owner's connection string is at hand: the role
// `workConninfo` connects as (written into Data/server.conf) is granted the rights of daily work
// at once, as GrantWorkRole does, unless it has the owner's rights anyway (then nothing is said).
AdminResult GrantWorkRoleOf(const std::string& ownerConninfo, const std::string& workConninfo);
// Said by a set-up whose work role could not be granted its rights (after the reason).
inline constexpr const char* kWorkRoleNotGrantedText =
    "创建程序文件夹失败：没能授予工作用的数据库角色日常工作的权限，Data/server.conf 没有保留。"
    "服务器上的数据表已建好，改正后再次运行 ferix-cli init --server - 即可连接它们。";

// Brings both sets of tables up to this program's version through the owner's connection,
// granting the remembered work roles their rights on what is added: "数据库已升级。".
AdminResult UpgradeWithOwner(const std::string& ownerConninfo);

// Asked when a workstation meets tables it must upgrade without the owner's rights.
inline constexpr const char* kAskOwnerConninfoText =
    "数据库需要升级，本工作站的数据库角色没有升级的权限。\r\n"
    "请输入数据库所有者的连接字符串（只用于这次升级，不会保存）：";
