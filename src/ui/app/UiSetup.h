#pragma once

class QApplication;

// Icons, Fusion style and the calm light palette every window of the program uses.
void SetupApplicationLook(QApplication& app);
