#pragma once
#include <filesystem>
#include <optional>
#include <string>

// What keeps a password from leaking out of the running program: no core file, nothing left in
// the environment, no secret file outliving the program that wrote it.

// Switches core dumps off (a core file holds whatever passwords the memory held). Both programs
// call it first thing.
void DisableCoreDumps();

// The value of the environment variable `name`, read once: its bytes are overwritten in place
// (the block that /proc/PID/environ shows) and the variable is removed. Nothing when unset.
std::optional<std::string> TakeEnvironmentSecret(const char* name);

// A file in Temp/ holding a connection's secrets for a client program is named
// <kind>-<pid of its writer>-<random>; `kind` is "pgpass" or "pgservice".
std::string SecretFilePrefix(const std::string& kind);
// Removes the secret files in `tempFolder` whose writer has ended (killed before it could
// remove them), and those of older versions that carry no writer; a running program's stay.
// Returns how many were removed.
int RemoveLeftSecretFiles(const std::filesystem::path& tempFolder);
