#include "PasswordHash.h"

#include <sodium.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <stdexcept>

namespace {
void EnsureSodium() {
    static const bool ready = sodium_init() >= 0;
    if (!ready)
        throw std::runtime_error("libsodium could not be initialised");
}

bool FastHash() {
#ifdef FERIX_TEST_SEAMS
    return std::getenv("FERIX_FAST_HASH") != nullptr;
#else
    return false;
#endif
}

// Interactive limits for the real program; the minimum in a test build asked for it, so the
// test suite (hundreds of logins, sanitizer builds) stays quick. Both verify either way.
unsigned long long OpsLimit() {
    return FastHash() ? crypto_pwhash_OPSLIMIT_MIN : crypto_pwhash_OPSLIMIT_INTERACTIVE;
}
size_t MemLimit() {
    return FastHash() ? crypto_pwhash_MEMLIMIT_MIN : crypto_pwhash_MEMLIMIT_INTERACTIVE;
}
} // namespace

bool FastHashCompiledIn() {
#ifdef FERIX_TEST_SEAMS
    return true;
#else
    return false;
#endif
}

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

bool PasswordHashIsWeak(const std::string& hash) {
    // "$argon2id$v=19$m=<KiB>,t=<passes>,p=<lanes>$salt$hash"
    unsigned long long kib = 0, passes = 0, lanes = 0;
    int version = 0;
    if (std::sscanf(hash.c_str(), "$argon2id$v=%d$m=%llu,t=%llu,p=%llu$", &version, &kib, &passes,
                    &lanes) != 4)
        return true;
    return kib * 1024 < MemLimit() || passes < OpsLimit();
}
