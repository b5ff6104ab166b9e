#pragma once
#include <string>
#include <string_view>

// Setting up a server database for program folders (ferix-cli init --server, and a new program
// folder whose Data/server.conf is there before its data).

// Makes both sets of tables on a server database that has none of this program's, with the
// first operator "admin" (`adminHash`, created `created`), the settings row and, unless it is
// empty, the configuration document `configDocument` (its file's bytes), in one transaction.
// A database that holds this program's data already is refused, or, when `joined` is given,
// joined: nothing is written there and *joined is set. Its tables must then be of this version
// or an older one (a later connect upgrades them).
bool CreateServerData(const std::string& conninfo, const std::string& adminHash,
                      const std::string& created, std::string* error,
                      std::string_view configDocument = {}, bool* joined = nullptr);
