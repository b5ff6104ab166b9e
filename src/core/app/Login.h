#pragma once
#include <string>
#include <vector>

// Names for the login window's user list: every operator, in text order (the first one is
// the one shown). Store failures have already been reported; the list is then empty.
std::vector<std::string> LoginUserNames();

// The login check of the login window: on success the operator becomes the current one and
// the log gets "用户“<typed name>”登录成功"; on failure the user is told
// "密码错误，请重新登陆！".
bool TryLogin(const std::string& user, const std::string& password);
