#include "config/ConfigLists.h"

#include "app/Cferix_razazApp.h"
#include "app/MessagePort.h"
#include "config/CXmlDocument.h"

#include <algorithm>

namespace {
const char* const kDepartmentKey = "employees";
const char* const kDepartmentEntry = "departments";
const char* const kEmployeeEntry = "employees";

// Loads the file and moves into the first `item` whose key is exactly `key`. The load result is
// not checked: a damaged file still yields whatever elements it has.
bool OpenList(CXmlDocument& doc, const std::filesystem::path& path, const std::string& key) {
    doc.Load(path);
    if (!doc.FindElement("config") || !doc.EnterElement())
        return false;
    while (doc.FindElement("item")) {
        if (doc.GetAttribute("key") == key)
            return doc.EnterElement();
    }
    return false;
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

// Saves a change; one the file cannot carry faithfully is refused with its reason.
bool SaveChange(CXmlDocument& doc, const std::filesystem::path& path, bool* refused) {
    if (doc.Save(path))
        return true;
    if (!doc.SaveRefusal().empty()) {
        Messages().Inform("配置文件 Data/ferix_config.data 没有修改：" + doc.SaveRefusal() + "。");
        if (refused)
            *refused = true;
    }
    return false;
}

// Removes, on the current level, every `entryName` element named `name`, saving after each.
// Stops at a refused save: the file then holds every removal before it.
bool RemoveNamed(CXmlDocument& doc, const std::filesystem::path& path, const std::string& entryName,
                 const std::string& name, bool* refused) {
    bool saved = true;
    while (doc.FindElement(entryName)) {
        if (doc.GetAttribute("name") == name) {
            doc.RemoveElement();
            if (!SaveChange(doc, path, refused)) {
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
    const auto path = ConfigFilePath();
    CXmlDocument doc;
    if (!OpenList(doc, path, key))
        return false;
    doc.AddElement(entryName);
    doc.SetAttribute("name", name);
    doc.SetAttribute("note", note);
    return SaveChange(doc, path, refused);
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
    if (!OpenList(doc, ConfigFilePath(), key))
        return {};
    return ReadEntries(doc, key);
}

bool AddConfigListEntry(const std::string& key, const std::string& name, const std::string& note,
                        bool* refused) {
    return AddNameAndNote(key, key, name, note, refused);
}

bool RemoveConfigListEntries(const std::string& key, const std::string& name, bool* refused) {
    const auto path = ConfigFilePath();
    CXmlDocument doc;
    if (!OpenList(doc, path, key))
        return false;
    return RemoveNamed(doc, path, key, name, refused);
}

std::vector<ConfigListEntry> ReadDepartments() {
    CXmlDocument doc;
    if (!OpenList(doc, ConfigFilePath(), kDepartmentKey))
        return {};
    return ReadEntries(doc, kDepartmentEntry);
}

bool AddDepartment(const std::string& name, const std::string& note, bool* refused) {
    return AddNameAndNote(kDepartmentKey, kDepartmentEntry, name, note, refused);
}

bool RemoveDepartments(const std::string& name, bool* refused) {
    const auto path = ConfigFilePath();
    CXmlDocument doc;
    if (!OpenList(doc, path, kDepartmentKey))
        return false;
    return RemoveNamed(doc, path, kDepartmentEntry, name, refused);
}

std::vector<EmployeeEntry> ReadEmployees(const std::optional<std::string>& department) {
    std::vector<EmployeeEntry> employees;
    CXmlDocument doc;
    if (!OpenList(doc, ConfigFilePath(), kDepartmentKey))
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
    const auto path = ConfigFilePath();
    CXmlDocument doc;
    if (!OpenList(doc, path, kDepartmentKey) || !FindDepartment(doc, department) ||
        !doc.EnterElement())
        return false;
    doc.AddElement(kEmployeeEntry);
    doc.SetAttribute("name", name);
    doc.SetAttribute("tel", tel);
    doc.SetAttribute("addr", addr);
    doc.SetAttribute("birthday", birthday);
    doc.SetAttribute("note", note);
    return SaveChange(doc, path, refused);
}

bool RemoveEmployees(const std::string& name, bool* refused) {
    const auto path = ConfigFilePath();
    CXmlDocument doc;
    if (!OpenList(doc, path, kDepartmentKey))
        return false;
    bool saved = true, refusal = false;
    while (!refusal && doc.FindElement(kDepartmentEntry)) {
        doc.EnterElement();
        saved = RemoveNamed(doc, path, kEmployeeEntry, name, &refusal) && saved;
        doc.LeaveElement();
    }
    if (refused && refusal)
        *refused = true;
    return saved;
}
