#pragma once
#include "Records.h"
#include "rights/RoleRights.h"

// What one run of the program knows beyond its data files: the logged-in operator, whose name
// the log records, and the company settings, whose name heads the printed pages. A successful
// login and the settings load fill it; the application object shows it to the windows as its
// own, and the rooms below the application read it here.
struct CSession {
    UserRecord currentUser; // empty until a login succeeds; never cleared
    SettingsRecord settings;
    // The operator's role, read with the login: what every entry point asks before it acts.
    CRoleRights rights;
};

CSession& Session();

// Reads the first Setting row into the session's settings (six empty texts when that fails).
bool LoadSessionSettings();
