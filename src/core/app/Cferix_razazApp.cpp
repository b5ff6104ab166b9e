#include "Cferix_razazApp.h"

#include "store/AllEntries.h"
#include "store/CDataStore.h"

Cferix_razazApp& App() {
    static Cferix_razazApp app;
    return app;
}

bool Cferix_razazApp::LoadApplicationSettings() {
    return LoadSessionSettings();
}

bool Cferix_razazApp::ReloadGoodsClasses() {
    m_goodsClasses.clear();
    CDataStore store;
    if (!store.ConnectMain())
        return false;
    return store.ListGoodsClasses(m_goodsClasses);
}

bool Cferix_razazApp::ReloadGoods() {
    m_goods.clear();
    CDataStore store;
    if (!store.ConnectMain())
        return false;
    return store.ListGoods(kAllGoods, m_goods);
}

void Cferix_razazApp::ResetForTest() {
    Session() = CSession{};
    m_goodsClasses.clear();
    m_goods.clear();
}
