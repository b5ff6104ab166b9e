#include "BackupRestore.h"

#include "MainDataBackup.h"
#include "port/MessagePort.h"
#include "port/ProgramFolder.h"
#include "store/CDataStore.h"
#include "store/RightCheck.h"
#include "text/Clock.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>

namespace fs = std::filesystem;

namespace {
fs::path BackupFolder() {
    return ProgramFolder() / "Backup";
}
fs::path MainDataFile() {
    return ProgramFolder() / "Data" / "main_data.tdb";
}

// Before a restore replaces the data, the data as it is goes into the Backup folder under a
// name that says what it is. A file that is no database at all (the reason to restore) is
// kept byte for byte and moved out of the way.
bool SaveCurrentData(std::string* error) {
    std::error_code ec;
    fs::create_directories(BackupFolder(), ec);
    if (ec) {
        *error = ec.message();
        return false;
    }
    const std::string stem = FormatNow("%y-%m-%d@%H-%M-%S") + "(恢复前自动备份";
    for (int n = 1; n < 100; ++n) {
        const fs::path target =
            BackupFolder() / (stem + (n > 1 ? "-" + std::to_string(n) : std::string()) + ").bak");
        if (fs::exists(target, ec))
            continue;
        CDataStore store;
        if (BackupMainDataTo(store, target))
            return true;
        *error = store.LastError();
        if (fs::exists(target, ec))
            continue; // taken meanwhile
        if (MainDataOnServer())
            return false;
        if (!IsDamagedDataFile(MainDataFile()))
            return false; // a database that could not be copied (locked, disk full)
        if (!fs::copy_file(MainDataFile(), target, fs::copy_options::none, ec)) {
            *error = ec.message();
            return false;
        }
        fs::remove(MainDataFile(), ec);
        fs::remove(MainDataFile().string() + "-journal", ec);
        return true;
    }
    *error = "Backup 文件夹中没有可用的文件名";
    return false;
}
} // namespace

std::string BackupRelativeName(std::time_t when, int n) {
    return FormatLocalTime("/Backup/%y-%m-%d@%H-%M-%S", when) +
           (n > 1 ? "-" + std::to_string(n) : std::string()) + ".bak";
}

std::string FormatBackupSize(std::uintmax_t bytes) {
    // Whole kilobytes, then megabytes in single precision, as the list always showed them.
    const float megabytes = static_cast<float>(bytes / 1024) * (1.0f / 1024.0f);
    char text[64];
    std::snprintf(text, sizeof text, "%.2f MB", static_cast<double>(megabytes));
    return text;
}

std::vector<BackupFile> ListBackups() {
    std::vector<BackupFile> files;
    std::error_code ec;
    fs::directory_iterator it(BackupFolder(), ec), end;
    for (; !ec && it != end; it.increment(ec)) {
        std::error_code entryError;
        if (it->is_directory(entryError))
            continue;
        BackupFile f;
        f.name = it->path().filename().string();
        const auto size = fs::file_size(it->path(), entryError);
        f.bytes = entryError ? 0 : size;
        f.sizeText = FormatBackupSize(f.bytes);
        files.push_back(std::move(f));
    }
    std::sort(files.begin(), files.end(),
              [](const BackupFile& a, const BackupFile& b) { return a.name < b.name; });
    return files;
}

AdminResult BackupAction(std::string* fileName) {
    if (!CheckRight("backup", Action::Enter))
        return AdminResult::Refused;
    if (!Messages().AskYesNo("是否备份现在的数据？"))
        return AdminResult::Declined;
    const std::time_t now = ClockNow();
    std::string relative;
    fs::path target;
    std::error_code ec;
    fs::create_directories(BackupFolder(), ec);
    CDataStore store;
    bool made = false;
    // A name already taken (another backup in the same second, here or on another workstation)
    // moves on to the next; the copy is created exclusively, so a race loses nothing either.
    for (int n = 1; !ec && !made && n < 100; ++n) {
        relative = BackupRelativeName(now, n);
        target = ProgramFolder() / relative.substr(1);
        if (fs::exists(target, ec))
            continue;
        made = BackupMainDataTo(store, target);
        if (!made && !fs::exists(target, ec))
            break;
    }
    if (ec || !made) {
        // The server's tools can fail for many reasons (no client programs, a refused
        // connection): the reason goes with the message there.
        const bool tell = MainDataOnServer() && !store.LastError().empty();
        Messages().Inform(tell ? "数据备份失败！\r\n" + store.LastError() : "数据备份失败！");
        return AdminResult::Failed;
    }
    WriteLogEntry("数据备份成功！数据文件(" + relative + ")");
    Messages().Inform("数据备份成功！");
    if (fileName)
        *fileName = target.filename().string();
    return AdminResult::Done;
}

AdminResult RestoreAction(const std::optional<std::string>& fileName) {
    if (!CheckRight("restore", Action::Enter))
        return AdminResult::Refused;
    if (!fileName) {
        Messages().Inform("请先选中要恢复的数据备份！");
        return AdminResult::Refused;
    }
    const std::string& name = *fileName;
    auto refuse = [&](const std::string& reason) {
        Messages().Inform("不能恢复“" + name + "”：" + reason + "\r\n现有数据没有改变。");
        return AdminResult::Refused;
    };
    if (name.empty() || name == "." || name == ".." || name.find('/') != std::string::npos)
        return refuse("只能恢复 Backup 文件夹中的文件。");
    const fs::path backup = BackupFolder() / name;
    if (auto reason = CheckBackupFile(backup))
        return refuse(*reason);
    if (!Messages().AskYesNo("是否恢复数据数据(" + name + ")，回复后将替换现有数据？"))
        return AdminResult::Declined;

    // The tables' owner restores on a server: the daily connection may lack the rights. The
    // string is used for this restore alone.
    std::string owner;
    if (MainDataOnServer()) {
        if (auto given = Messages().AskSecret(kRestoreOwnerQuestion))
            owner = std::move(*given);
    }
    bool safetyFailed = false;
    auto safetyCopy = [&](std::string& error) {
        std::error_code ec;
        if (!MainDataOnServer() && !fs::exists(MainDataFile(), ec))
            return true; // nothing to keep
        safetyFailed = !SaveCurrentData(&error);
        return !safetyFailed;
    };
    CDataStore store;
    const bool restored = RestoreMainDataFrom(store, backup, safetyCopy, owner);
    std::fill(owner.begin(), owner.end(), '\0');
    if (!restored && safetyFailed) {
        Messages().Inform("数据恢复失败！\r\n无法先备份现有数据：" + store.LastError() +
                          "\r\n现有数据没有改变。");
        return AdminResult::Failed;
    }
    if (!restored) {
        // Either engine restores in one step that replaces the data whole or not at all (a
        // server's transaction; a file's tables made apart and copied in by SQLite's backup),
        // so its failure can say so for sure.
        Messages().Inform(store.LastError().empty()
                              ? std::string("数据恢复失败！\r\n现有数据没有改变。")
                              : "数据恢复失败！\r\n" + store.LastError() +
                                    "\r\n现有数据没有改变。");
        return AdminResult::Failed;
    }
    WriteLogEntry("数据恢复成功！数据文件(" + name + ")");
    Messages().Inform("数据恢复成功！");
    return AdminResult::Done;
}
