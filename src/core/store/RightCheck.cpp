#include "RightCheck.h"

#include "Session.h"
#include "port/MessagePort.h"

#include <atomic>

namespace {
std::atomic<int> g_refusals{0};
}

bool CheckRight(std::string_view function, Action action) {
    if (Session().rights.Allows(function, action))
        return true;
    ++g_refusals;
    Messages().Inform(RefusalText(function, action));
    return false;
}

int RightRefusals() {
    return g_refusals.load();
}
