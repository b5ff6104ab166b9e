#pragma once
#include "widgets/WindowPreset.h"

#include <QString>

#include <functional>
#include <vector>

class QWidget;

// Where an item sits: a panel's buttons, the label rows shared by three panels, or the menu.
namespace Place {
constexpr const char* Caigou = "caigou";
constexpr const char* Xiaoshou = "xiaoshou";
constexpr const char* Kucun = "kucun";
constexpr const char* Caiwu = "caiwu";
constexpr const char* Jichu = "jichu";
constexpr const char* Xitong = "xitong";
constexpr const char* Labels = "labels";
constexpr const char* Menu = "menu";
} // namespace Place

// One row per panel item and menu entry: which window it opens with which command word.
struct RouteRow {
    const char* place;
    const char* item;    // the item's text as shown
    const char* window;  // a window class name, or an action name for the few actions
    const char* command; // command word, or "" when the window takes none
};

// One row per working window or action: how to open it with a command word and a preset.
struct WindowRow {
    const char* window;
    std::function<void(QWidget* parent, const QString& command, const WindowPreset& preset)> open;
};

const std::vector<RouteRow>& RouteTable();
const std::vector<WindowRow>& WindowTable();

// The route of an item, or nullptr.
const RouteRow* FindRoute(const QString& place, const QString& item);
// Opens what an item routes to. False when the item has no route or its window is missing, or
// when the operator's role does not allow it (after the refusal through the message port).
bool OpenRoute(QWidget* parent, const QString& place, const QString& item);
// Whether the operator's role may open what an item routes to (asked silently: the panels and
// the menu show only such items).
bool RouteAllowed(const QString& place, const QString& item);
// Opens a window by class name with a command word (also used by windows that open others);
// a window that takes a preset starts on it.
bool OpenWindow(QWidget* parent, const QString& window, const QString& command,
                const WindowPreset& preset = {});

// Test seam: when set, OpenWindow calls this instead of opening a window.
void SetWindowOpenerForTest(std::function<void(const QString& window, const QString& command)>);
