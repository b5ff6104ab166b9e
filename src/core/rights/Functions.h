#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

// The program's functions, each a right a role may hold: one table, read by the check, the
// presets, the routing of the windows and ferix-cli. A new window or command names its function
// here before it is done.

// What an operator does with a function. The bits make a set of actions.
enum class Action : uint8_t { View, Enter, Delete, Reverse, Print, Export };
using ActionSet = uint8_t;
inline constexpr ActionSet Bit(Action a) {
    return static_cast<ActionSet>(1u << static_cast<unsigned>(a));
}
inline constexpr Action kAllActions[] = {Action::View,    Action::Enter, Action::Delete,
                                         Action::Reverse, Action::Print, Action::Export};

// "查看", "录入", "删除", "红冲", "打印", "导出".
const char* ActionName(Action action);
std::optional<Action> ActionByName(std::string_view name);
// "查看,录入": the set's names in the order above, joined by commas.
std::string ActionSetText(ActionSet actions);
// The set a comma-separated list of names makes; nullopt when one of them is no action.
std::optional<ActionSet> ParseActionSet(std::string_view text);

struct FunctionInfo {
    const char* code;   // short ASCII word, what the tables and ferix-cli store and name
    const char* name;   // its Chinese name, as the refusal shows it
    const char* module; // the group it belongs to in the role window
    ActionSet actions;  // what can be done with it
    bool adminOnly;     // held by 管理员 alone, whatever a role is granted
};

const std::vector<FunctionInfo>& Functions();
const FunctionInfo* FindFunction(std::string_view code);

// The function and action a window opens with, by its window name and command word (the
// routing's names); nullopt for a window no function covers.
struct Need {
    std::string function;
    Action action = Action::View;
};
std::optional<Need> WindowNeed(std::string_view window, std::string_view command);

// A bill kind's word in ferix-cli ("purchase-return") to its function ("purchase_return");
// empty when the word is no bill kind.
std::string KindFunction(std::string_view cliWord);

// The prices a role may hide.
inline constexpr const char* kHiddenPrices[] = {"进价", "成本", "售价"};
bool IsHiddenPriceName(std::string_view name);

// The five roles init and the upgrade make, with their rights and hidden prices.
inline constexpr const char* kAdminRole = "管理员";
struct PresetRight {
    std::string function;
    ActionSet actions;
};
struct PresetRole {
    std::string name;
    std::string note;
    std::vector<PresetRight> rights;
    std::vector<std::string> hides;
};
const std::vector<PresetRole>& PresetRoles();
// The SQL that adds the presets to empty role tables, for either engine (plain inserts, the
// role's id found by its name). Guarded: tables that already hold roles are left as they are.
std::string PresetRolesSql();
// The SQL that gives the preset roles of a folder made before them the rights the presets gained
// since: the order and opening functions, and 打印 on goods (labels). Only a role still named as
// a preset is touched, a function it has no row for is added, and an action is added only where
// the row still holds the preset's earlier set, so a role its shop changed stays as it is.
std::string PresetRightsGainedSql();
