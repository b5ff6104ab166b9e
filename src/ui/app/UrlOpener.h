#pragma once
#include <QUrl>

#include <functional>

// Hands an address to the desktop (the user's browser). Tests replace it to see the address.
void OpenExternalUrl(const QUrl& url);
void SetUrlOpenerForTest(std::function<void(const QUrl&)> opener);
