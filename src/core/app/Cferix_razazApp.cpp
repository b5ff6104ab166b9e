#include "Cferix_razazApp.h"

#include "store/CDataStore.h"

Cferix_razazApp& App() {
    static Cferix_razazApp app;
    return app;
}

std::filesystem::path ProgramFolder() {
    std::error_code ec;
    auto p = std::filesystem::current_path(ec);
    return ec ? std::filesystem::path(".") : p;
}

bool Cferix_razazApp::LoadApplicationSettings() {
    CDataStore store;
    if (!store.ConnectOther()) {
        // The store's message already went out; carry on with empty settings.
        m_settings = SettingsRecord{};
        return false;
    }
    m_settings = store.LoadSettings();
    return true;
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
    return store.ListGoods("所有商品", m_goods);
}

void Cferix_razazApp::ResetForTest() {
    *this = Cferix_razazApp{};
}
