#pragma once
#include <string>

// Argon2id hashes (libsodium); the clear password is never stored.
std::string HashPassword(const std::string& password);
bool VerifyPassword(const std::string& hash, const std::string& password);
// True when `hash` was made with less work or memory than HashPassword spends today (or by
// another algorithm): a login that has just verified it stores a new one.
bool PasswordHashIsWeak(const std::string& hash);
// Whether this build honours FERIX_FAST_HASH (the minimum limits that keep the test suites
// quick). Only builds configured with FERIX_TEST_SEAMS do; a package never does.
bool FastHashCompiledIn();
