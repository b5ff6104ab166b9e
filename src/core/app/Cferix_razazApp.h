#pragma once
#include "store/Records.h"

#include <filesystem>
#include <string>
#include <vector>

// What the program keeps for the whole run: company settings, the logged-in operator and the
// two cached master-data lists that windows refill just before reading them.
class Cferix_razazApp {
public:
    SettingsRecord m_settings;
    UserRecord m_currentUser; // empty until a login succeeds; never cleared
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

// The program folder: the process's current directory, read at every call.
std::filesystem::path ProgramFolder();
