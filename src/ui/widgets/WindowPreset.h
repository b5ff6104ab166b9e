#pragma once
#include <QDate>
#include <QString>

// What a window opened from a figure starts on, so it shows what was clicked: a date range and a
// business unit. An empty field leaves the window's own default. A window that takes a preset
// has StartOn(const WindowPreset&), which fills its fields and runs its query.
struct WindowPreset {
    QDate from, to;
    QString unit; // a business unit's name

    // Nothing to start on: the window opens as from its panel.
    bool IsEmpty() const { return !from.isValid() && !to.isValid() && unit.isEmpty(); }
};
