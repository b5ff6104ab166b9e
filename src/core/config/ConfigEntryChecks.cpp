#include "config/ConfigEntryChecks.h"

#include "port/MessagePort.h"

#include <map>

bool CheckConfigEntryName(const std::string& list, const std::string& name) {
    static const std::map<std::string, std::string> emptyNameMessages = {
        {"area", "地区名称不能为空！"},        {"bank", "银行名称不能为空！"},
        {"departments", "部门名称不能为空！"}, {"unit", "单位名称不能为空！"},
        {"warehouse", "仓库名称不能为空！"},
    };
    if (!name.empty())
        return true;
    auto it = emptyNameMessages.find(list);
    if (it == emptyNameMessages.end())
        return true;
    Messages().Inform(it->second);
    return false;
}

bool CheckEmployeeEntry(const std::string& name, const std::string& department) {
    if (!name.empty() && !department.empty())
        return true;
    Messages().Inform("员工姓名或部门不能为空！");
    return false;
}
