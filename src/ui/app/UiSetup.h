#pragma once

class QApplication;
class QCoreApplication;

// Icons, Fusion style and the calm light palette every window of the program uses.
void SetupApplicationLook(QApplication& app);

// The program speaks Chinese whatever the system's language: Qt's own texts (message-box
// buttons, context menus) come from its Chinese translation and dates and numbers follow the
// Chinese locale. Windows made afterwards see it. False when Qt's translation could not be
// loaded (the buttons then stay in English; the program goes on).
bool UseChineseLanguage(QCoreApplication& app);
