#pragma once
#include "rights/Functions.h"

#include <string_view>

// The check every entry point that reads or writes makes first, on the role read with the
// login; it lives this low so that every room's entry points (bills, master data, exports,
// the administration) ask the same one, whichever of the windows or ferix-cli calls them.

// True when the operator may; otherwise false after the refusal "您没有“功能”的“动作”权限！".
bool CheckRight(std::string_view function, Action action);
// How many refusals the check has made in this run: a caller that did not check beforehand (a
// ferix-cli command) learns from it that a failure was a refusal.
int RightRefusals();
