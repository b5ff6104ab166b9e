#pragma once
#include <string>

// Argon2id hashes (libsodium); the clear password is never stored.
std::string HashPassword(const std::string& password);
bool VerifyPassword(const std::string& hash, const std::string& password);
