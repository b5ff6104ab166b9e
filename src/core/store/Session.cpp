#include "Session.h"

#include "CDataStore.h"

CSession& Session() {
    static CSession session;
    return session;
}

bool LoadSessionSettings() {
    CDataStore store;
    if (!store.ConnectOther()) {
        // The store's message already went out; carry on with empty settings.
        Session().settings = SettingsRecord{};
        return false;
    }
    Session().settings = store.LoadSettings();
    return true;
}
