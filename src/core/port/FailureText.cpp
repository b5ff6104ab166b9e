#include "FailureText.h"

std::string DatabaseFailureText(const std::string& what, const std::string& detail) {
    std::string text = what;
    if (!text.empty())
        text += "\r\n";
    return text + "数据库失败！\r\n错误信息：" + detail;
}

std::string ConnectFailureText(const std::string& detail) {
    return "连接数据库失败！\r\n错误信息：" + detail;
}
