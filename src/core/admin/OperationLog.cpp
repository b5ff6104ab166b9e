#include "OperationLog.h"

#include "port/MessagePort.h"
#include "store/CDataStore.h"

std::vector<LogRecord> LoadOperationLog() {
    CDataStore store;
    if (!store.ConnectOther())
        return {};
    return store.ListLog();
}

AdminResult ClearOperationLog() {
    if (!Messages().AskYesNo("是否要情况日志？"))
        return AdminResult::Declined;
    CDataStore store;
    if (!store.ConnectOther())
        return AdminResult::NoData;
    return store.ClearLog() ? AdminResult::Done : AdminResult::Failed;
}
