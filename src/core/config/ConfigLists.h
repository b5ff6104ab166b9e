#pragma once
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

// The simple reference lists of the business, kept in Data/ferix_config.data below the program
// folder (on a server folder: in the server's copy of that document, see ConfigDocumentStore.h):
// areas, banks, units, warehouses, income and spending items, and departments with their
// employees. Every operation loads the document afresh, works on it and saves it at once;
// nothing is cached between calls.
//
// A missing file, a missing `config` root or a missing `item` for the key makes reads empty and
// changes do nothing; the bool results tell the caller whether the list was found and every
// save succeeded, for those that want to say so (ferix-cli). The one message they show is a
// change refused because the file's encoding cannot carry it faithfully (text that is not UTF-8,
// say): the file is left as it was, the reason goes to the message port and `refused` is set.

struct ConfigListEntry {
    std::string name, note;
};

struct EmployeeEntry {
    std::string department; // the department the employee was read from
    std::string name, tel, addr, birthday, note;
};

// The file the operations work on: Data/ferix_config.data below the current directory, taken
// anew at every call.
std::filesystem::path ConfigFilePath();

// The six simple list keys, in the order the file lists them.
const std::vector<std::string>& SimpleConfigListKeys();
bool IsSimpleConfigListKey(const std::string& key);

// key: area, bank, unit, warehouse, income or spending. Entries in file order.
std::vector<ConfigListEntry> ReadConfigList(const std::string& key);
// The same for a check that a name is listed: nothing when the server holding the lists could
// not be reached or read, the reason told (a list that cannot be read is not an empty list).
std::optional<std::vector<ConfigListEntry>> ReadConfigListToCheck(const std::string& key);
// Appends <key name="..." note="..."/> to the end of the list.
bool AddConfigListEntry(const std::string& key, const std::string& name, const std::string& note,
                        bool* refused = nullptr);
// Removes every entry of that name (saving after each one).
bool RemoveConfigListEntries(const std::string& key, const std::string& name,
                             bool* refused = nullptr);

std::vector<ConfigListEntry> ReadDepartments();
bool AddDepartment(const std::string& name, const std::string& note, bool* refused = nullptr);
// Removes every department of that name with all its employees.
bool RemoveDepartments(const std::string& name, bool* refused = nullptr);

// The employees of the first department of that name, or of all departments one after another
// when no name is given.
std::vector<EmployeeEntry> ReadEmployees(const std::optional<std::string>& department);
// Adds an employee to the first department of that name; nothing when there is none.
bool AddEmployee(const std::string& department, const std::string& name, const std::string& tel,
                 const std::string& addr, const std::string& birthday, const std::string& note,
                 bool* refused = nullptr);
// Removes the employees of that name from every department.
bool RemoveEmployees(const std::string& name, bool* refused = nullptr);
