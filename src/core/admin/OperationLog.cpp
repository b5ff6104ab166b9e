#include "OperationLog.h"

#include "port/MessagePort.h"
#include "store/CDataStore.h"

std::vector<LogRecord> LoadOperationLog() {
    CDataStore store;
    if (!store.ConnectOther())
        return {};
    return store.ListLog();
}

bool ClearLog(CDataStore& store) {
    return store.ExecuteSql("delete from Log");
}

AdminResult ClearOperationLog() {
    if (!Messages().AskYesNo("是否要情况日志？"))
        return AdminResult::Declined;
    CDataStore store;
    if (!store.ConnectOther())
        return AdminResult::NoData;
    return ClearLog(store) ? AdminResult::Done : AdminResult::Failed;
}
