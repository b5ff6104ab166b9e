#pragma once
#include <QString>

class QWidget;

// What the main window's system panel and menu open. Each opens its window modally (or runs
// its action) and returns when it is done.
void OpenManageUsers(QWidget* parent);
// The operator form alone: run_add adds an operator, run_re changes the logged-in operator's
// password.
void OpenOperatorForm(QWidget* parent, const QString& command);
// "添加" of the user management window: the form with run_add, then the new operator.
void RunAddOperatorForm(QWidget* parent);
// "修改密码": the form with run_re, then the new password of the logged-in operator.
void OpenChangePassword(QWidget* parent);
// "备份数据": the question, the backup and its message.
void RunBackupAction(QWidget* parent);
void OpenRestore(QWidget* parent);
// "数据校验": the bill journal checked, its result in a message.
void RunVerifyAction(QWidget* parent);
void OpenCompanySettings(QWidget* parent);
void OpenViewLog(QWidget* parent);
