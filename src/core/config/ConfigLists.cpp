#include "config/ConfigLists.h"

#include "config/CXmlDocument.h"
#include "config/ConfigDocumentStore.h"
#include "port/MessagePort.h"
#include "port/ProgramFolder.h"
#include "store/RightCheck.h"
#include "store/WarehouseScope.h"

#include <algorithm>

namespace {
const char* const kDepartmentKey = "employees";
const char* const kDepartmentEntry = "departments";
const char* const kEmployeeEntry = "employees";

// Loads the document and moves into the first `item` whose key is exactly `key`. The load result
// is not checked: a damaged document still yields whatever elements it has.
bool OpenList(CXmlDocument& doc, CConfigDocumentAccess& access, const std::string& key,
              bool forChange) {
    if (forChange)
        access.LoadForChange(doc);
    else
        access.Load(doc);
    if (!doc.FindElement("config") || !doc.EnterElement())
        return false;
    while (doc.FindElement("item")) {
        if (doc.GetAttribute("key") == key)
            return doc.EnterElement();
    }
    return false;
}

bool OpenListToRead(CXmlDocument& doc, const std::string& key) {
    CConfigDocumentAccess access;
    return OpenList(doc, access, key, false);
}

std::vector<ConfigListEntry> ReadEntries(CXmlDocument& doc, const std::string& entryName) {
    std::vector<ConfigListEntry> entries;
    while (doc.FindElement(entryName))
        entries.push_back({doc.GetAttribute("name"), doc.GetAttribute("note")});
    return entries;
}

void ReadEmployeesOfDepartment(CXmlDocument& doc, const std::string& department,
                               std::vector<EmployeeEntry>& out) {
    while (doc.FindElement(kEmployeeEntry)) {
        out.push_back({department, doc.GetAttribute("name"), doc.GetAttribute("tel"),
                       doc.GetAttribute("addr"), doc.GetAttribute("birthday"),
                       doc.GetAttribute("note")});
    }
}

// A change the operator's role does not allow: refused, the check having said why.
bool Refused(bool* refused) {
    if (refused)
        *refused = true;
    return false;
}

// Saves a change; one the document cannot carry faithfully is refused with its reason.
bool SaveChange(CXmlDocument& doc, CConfigDocumentAccess& access, bool* refused) {
    if (access.Save(doc))
        return true;
    if (!doc.SaveRefusal().empty()) {
        Messages().Inform(ConfigChangeRefusedText(doc.SaveRefusal()));
        if (refused)
            *refused = true;
    }
    return false;
}

// Runs one change on the list of `key`: the document loaded for change (locked on a server),
// `edit` changing and saving it, then the change finished.
template <typename Edit> bool ChangeList(const std::string& key, Edit edit) {
    CConfigDocumentAccess access;
    CXmlDocument doc;
    if (!OpenList(doc, access, key, true))
        return false;
    const bool saved = edit(doc, access);
    return access.Finish() && saved;
}

// Removes, on the current level, every `entryName` element named `name`, saving after each.
// Stops at a refused save: the document then holds every removal before it.
bool RemoveNamed(CXmlDocument& doc, CConfigDocumentAccess& access, const std::string& entryName,
                 const std::string& name, bool* refused) {
    bool saved = true;
    while (doc.FindElement(entryName)) {
        if (doc.GetAttribute("name") == name) {
            doc.RemoveElement();
            if (!SaveChange(doc, access, refused)) {
                saved = false;
                if (refused && *refused)
                    break;
            }
        }
    }
    return saved;
}

bool AddNameAndNote(const std::string& key, const std::string& entryName, const std::string& name,
                    const std::string& note, bool* refused) {
    return ChangeList(key, [&](CXmlDocument& doc, CConfigDocumentAccess& access) {
        doc.AddElement(entryName);
        doc.SetAttribute("name", name);
        doc.SetAttribute("note", note);
        return SaveChange(doc, access, refused);
    });
}

bool FindDepartment(CXmlDocument& doc, const std::string& department) {
    while (doc.FindElement(kDepartmentEntry)) {
        if (doc.GetAttribute("name") == department)
            return true;
    }
    return false;
}
} // namespace

std::filesystem::path ConfigFilePath() {
    return ProgramFolder() / "Data" / "ferix_config.data";
}

const std::vector<std::string>& SimpleConfigListKeys() {
    static const std::vector<std::string> keys = {"area",      "bank",   "unit",
                                                  "warehouse", "income", "spending"};
    return keys;
}

bool IsSimpleConfigListKey(const std::string& key) {
    const auto& keys = SimpleConfigListKeys();
    return std::find(keys.begin(), keys.end(), key) != keys.end();
}

std::vector<ConfigListEntry> ReadConfigList(const std::string& key) {
    CXmlDocument doc;
    if (!OpenListToRead(doc, key))
        return {};
    return ReadEntries(doc, key);
}

bool AddConfigListEntry(const std::string& key, const std::string& name, const std::string& note,
                        bool* refused) {
    if (!CheckRight("lists", Action::Enter))
        return Refused(refused);
    return AddNameAndNote(key, key, name, note, refused);
}

bool RemoveConfigListEntries(const std::string& key, const std::string& name, bool* refused) {
    if (!CheckRight("lists", Action::Delete))
        return Refused(refused);
    // A role limited to some warehouses removes none of the others.
    if (key == "warehouse" && !CheckWarehouseScope(name))
        return Refused(refused);
    return ChangeList(key, [&](CXmlDocument& doc, CConfigDocumentAccess& access) {
        return RemoveNamed(doc, access, key, name, refused);
    });
}

std::optional<std::vector<ConfigListEntry>> ReadConfigListToCheck(const std::string& key) {
    CConfigDocumentAccess access;
    CXmlDocument doc;
    if (OpenList(doc, access, key, false))
        return ReadEntries(doc, key);
    if (access.Unreachable())
        return std::nullopt; // the failed connect has said why
    if (!access.ReadError().empty()) {
        Messages().Inform("读取服务器上的配置列表失败：" + access.ReadError());
        return std::nullopt;
    }
    return std::vector<ConfigListEntry>{};
}

std::vector<ConfigListEntry> ReadDepartments() {
    CXmlDocument doc;
    if (!OpenListToRead(doc, kDepartmentKey))
        return {};
    return ReadEntries(doc, kDepartmentEntry);
}

bool AddDepartment(const std::string& name, const std::string& note, bool* refused) {
    if (!CheckRight("lists", Action::Enter))
        return Refused(refused);
    return AddNameAndNote(kDepartmentKey, kDepartmentEntry, name, note, refused);
}

bool RemoveDepartments(const std::string& name, bool* refused) {
    if (!CheckRight("lists", Action::Delete))
        return Refused(refused);
    return ChangeList(kDepartmentKey, [&](CXmlDocument& doc, CConfigDocumentAccess& access) {
        return RemoveNamed(doc, access, kDepartmentEntry, name, refused);
    });
}

std::vector<EmployeeEntry> ReadEmployees(const std::optional<std::string>& department) {
    std::vector<EmployeeEntry> employees;
    CXmlDocument doc;
    if (!OpenListToRead(doc, kDepartmentKey))
        return employees;
    if (department) {
        if (FindDepartment(doc, *department) && doc.EnterElement())
            ReadEmployeesOfDepartment(doc, *department, employees);
        return employees;
    }
    while (doc.FindElement(kDepartmentEntry)) {
        const std::string name = doc.GetAttribute("name");
        doc.EnterElement();
        ReadEmployeesOfDepartment(doc, name, employees);
        doc.LeaveElement();
    }
    return employees;
}

bool AddEmployee(const std::string& department, const std::string& name, const std::string& tel,
                 const std::string& addr, const std::string& birthday, const std::string& note,
                 bool* refused) {
    if (!CheckRight("employees", Action::Enter))
        return Refused(refused);
    return ChangeList(kDepartmentKey, [&](CXmlDocument& doc, CConfigDocumentAccess& access) {
        if (!FindDepartment(doc, department) || !doc.EnterElement())
            return false;
        doc.AddElement(kEmployeeEntry);
        doc.SetAttribute("name", name);
        doc.SetAttribute("tel", tel);
        doc.SetAttribute("addr", addr);
        doc.SetAttribute("birthday", birthday);
        doc.SetAttribute("note", note);
        return SaveChange(doc, access, refused);
    });
}

bool RemoveEmployees(const std::string& name, bool* refused) {
    if (!CheckRight("employees", Action::Delete))
        return Refused(refused);
    return ChangeList(kDepartmentKey, [&](CXmlDocument& doc, CConfigDocumentAccess& access) {
        bool saved = true, refusal = false;
        while (!refusal && doc.FindElement(kDepartmentEntry)) {
            doc.EnterElement();
            saved = RemoveNamed(doc, access, kEmployeeEntry, name, &refusal) && saved;
            doc.LeaveElement();
        }
        if (refused && refusal)
            *refused = true;
        return saved;
    });
}
