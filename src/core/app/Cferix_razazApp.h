#pragma once
#include "port/ProgramFolder.h"
#include "store/Records.h"
#include "store/Session.h"

#include <string>
#include <vector>

// What the program keeps for the whole run: company settings, the logged-in operator and the
// two cached master-data lists that windows refill just before reading them. The settings and
// the operator are the session's (store/Session.h), which the rooms below read.
class Cferix_razazApp {
public:
    Cferix_razazApp() = default;
    Cferix_razazApp(const Cferix_razazApp&) = delete;
    Cferix_razazApp& operator=(const Cferix_razazApp&) = delete;

    SettingsRecord& m_settings = Session().settings;
    UserRecord& m_currentUser = Session().currentUser; // empty until a login succeeds
    std::vector<GoodsClassRecord> m_goodsClasses;
    std::vector<GoodsRecord> m_goods;

    // Reads the first Setting row into m_settings (six empty texts when that fails).
    bool LoadApplicationSettings();
    bool ReloadGoodsClasses();
    bool ReloadGoods();

    // Resets everything to the state at start (tests run several "programs" in one process).
    void ResetForTest();
};

Cferix_razazApp& App();
