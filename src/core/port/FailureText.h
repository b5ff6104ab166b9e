#pragma once
#include <string>

// The texts a failed database statement or connect is told with, in one place so that every
// operation words them alike.

// "<what>\r\n数据库失败！\r\n错误信息：<detail>"; with an empty `what` the text starts at
// "数据库失败！". `what` names the operation ("添加产品失败。"), `detail` is the engine's text
// (often "<code text>+<description>").
std::string DatabaseFailureText(const std::string& what, const std::string& detail);
// "连接数据库失败！\r\n错误信息：<detail>": the data file or server could not be opened or read.
std::string ConnectFailureText(const std::string& detail);
