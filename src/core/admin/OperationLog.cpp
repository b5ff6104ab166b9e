#include "OperationLog.h"

#include "port/MessagePort.h"
#include "store/CDataStore.h"
#include "store/RightCheck.h"

std::vector<LogRecord> LoadOperationLog() {
    CDataStore store;
    if (!store.ConnectOther())
        return {};
    return store.ListLog();
}

bool ClearLog(CDataStore& store) {
    if (!store.Begin()) {
        Messages().Inform("清除日志失败！\r\n" + store.LastError());
        return false;
    }
    if (!store.ExecuteSql("delete from Log") || !store.AddLogEntry(kLogClearedEvent)) {
        store.Rollback();
        return false;
    }
    if (!store.Commit()) {
        const std::string error = store.LastError();
        store.Rollback();
        Messages().Inform("清除日志失败！\r\n" + error);
        return false;
    }
    return true;
}

AdminResult ClearOperationLog() {
    if (!CheckRight("log", Action::Delete))
        return AdminResult::Refused;
    if (!Messages().AskYesNo("是否要情况日志？"))
        return AdminResult::Declined;
    CDataStore store;
    if (!store.ConnectOther())
        return AdminResult::NoData;
    return ClearLog(store) ? AdminResult::Done : AdminResult::Failed;
}

bool LogAdminAct(const std::string& event) {
    return WriteLogEntry(event);
}
