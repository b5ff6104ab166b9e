#pragma once
#include "CliContext.h"
#include "rights/Functions.h"

#include <optional>

// The function and action a command line needs, checked after the login and before the
// command does anything. Nothing when its arguments name no function (an unknown bill kind):
// the command then refuses them with its usage.
std::optional<Need> CommandNeed(const CliContext& ctx);
