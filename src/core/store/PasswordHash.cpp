#include "PasswordHash.h"

#include <sodium.h>

#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {
void EnsureSodium() {
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw std::runtime_error("libsodium could not be initialised");
}

// Interactive limits for the real program; the minimum when FERIX_FAST_HASH is set, so the
// test suite (hundreds of logins, sanitizer builds) stays quick. Both verify either way.
unsigned long long OpsLimit() {
    return std::getenv("FERIX_FAST_HASH") ? crypto_pwhash_OPSLIMIT_MIN
                                          : crypto_pwhash_OPSLIMIT_INTERACTIVE;
}
size_t MemLimit() {
    return std::getenv("FERIX_FAST_HASH") ? crypto_pwhash_MEMLIMIT_MIN
                                          : crypto_pwhash_MEMLIMIT_INTERACTIVE;
}
} // namespace

std::string HashPassword(const std::string& password) {
    EnsureSodium();
    char out[crypto_pwhash_STRBYTES];
    if (crypto_pwhash_str(out, password.data(), password.size(), OpsLimit(), MemLimit()) != 0)
        throw std::runtime_error("out of memory while hashing a password");
    return out;
}

bool VerifyPassword(const std::string& hash, const std::string& password) {
    EnsureSodium();
    if (hash.empty() || hash.size() >= crypto_pwhash_STRBYTES)
        return false;
    return crypto_pwhash_str_verify(hash.c_str(), password.data(), password.size()) == 0;
}
