#include "MessageKind.h"

bool IsErrorMessage(const std::string& text) {
    // A message that reports success is no error, whatever else it says.
    if (text.find("成功") != std::string::npos)
        return false;
    static const char* const kWords[] = {
        "失败", "错误", "不能", "不可",     "不足",   "不存在", "不在",   "请输入", "请选择",
        "无效", "必须", "不是", "已经存在", "已存在", "重复",   "不正确", "无法",   "不一致"};
    for (const char* word : kWords)
        if (text.find(word) != std::string::npos)
            return true;
    return false;
}
