#include "UrlOpener.h"

#include <QDesktopServices>

namespace {
std::function<void(const QUrl&)>& Opener() {
    static std::function<void(const QUrl&)> opener;
    return opener;
}
} // namespace

void OpenExternalUrl(const QUrl& url) {
    if (Opener())
        Opener()(url);
    else
        QDesktopServices::openUrl(url);
}

void SetUrlOpenerForTest(std::function<void(const QUrl&)> opener) {
    Opener() = std::move(opener);
}
