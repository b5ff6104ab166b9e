#include "CompanySettings.h"

#include "store/CDataStore.h"
#include "store/RightCheck.h"
#include "store/Session.h"

#include <algorithm>

const std::vector<std::string>& CostingMethods() {
    static const std::vector<std::string> methods = {"加权平均法", "指定批次法"};
    return methods;
}

int CostingMethodIndex(const std::string& stored) {
    const auto& methods = CostingMethods();
    auto it = std::find(methods.begin(), methods.end(), stored);
    return it == methods.end() ? 0 : static_cast<int>(it - methods.begin());
}

SettingsRecord LoadCompanySettings() {
    CDataStore store;
    if (!store.ConnectOther())
        return {};
    return store.LoadSettings();
}

AdminResult SaveCompanySettings(const SettingsRecord& settings) {
    if (!CheckRight("settings", Action::Enter))
        return AdminResult::Refused;
    AdminResult result = AdminResult::NoData;
    {
        CDataStore store;
        if (store.ConnectOther())
            result = store.SaveSettings(settings) ? AdminResult::Done : AdminResult::Failed;
    }
    WriteLogEntry("修改公司基本信息");
    LoadSessionSettings();
    return result;
}
