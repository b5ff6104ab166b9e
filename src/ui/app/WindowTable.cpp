// Every working window and action the panels and the menu can open, by name.
#include "CommandRouting.h"

#include <QDialog>

namespace {
// A working window constructed for one use, told its command word (windows that take one
// have SetCommand), shown modally and discarded.
template <class Dlg> void OpenModal(QWidget* parent, const QString& command) {
    Dlg dlg(parent);
    if constexpr (requires { dlg.SetCommand(command); })
        dlg.SetCommand(command);
    dlg.exec();
}
} // namespace

const std::vector<WindowRow>& WindowTable() {
    static const std::vector<WindowRow> rows = {};
    return rows;
}
