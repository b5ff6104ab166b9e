#pragma once
#include <filesystem>
#include <memory>
#include <string>
#include <string_view>

class CDataStore;
class CXmlDocument;

// Where the configuration lists' document lives. In a program folder of files it is
// Data/ferix_config.data; in a folder of Data/server.conf it is the row named
// kConfigDocumentName of the server table ferix_config, holding exactly the bytes the file would
// (any encoding, byte order marks and all), so the same document code reads and edits both.
//
// A read takes the document as it stands. A change loads it for change (on a server: in a
// transaction, the row locked), saves as often as it needs and finishes; two workstations
// changing the lists at once then wait for each other and both changes are kept.

// The row's name on a server: the file's own name.
inline constexpr const char* kConfigDocumentName = "ferix_config.data";

// True when the current program folder keeps its lists on a server (Data/server.conf is there).
bool ConfigDocumentOnServer();

// The document for one operation of the current program folder, file or server as it says.
class CConfigDocumentAccess {
public:
    CConfigDocumentAccess();
    // A change not finished is undone on a server (a file has been written already).
    ~CConfigDocumentAccess();
    CConfigDocumentAccess(const CConfigDocumentAccess&) = delete;
    CConfigDocumentAccess& operator=(const CConfigDocumentAccess&) = delete;

    bool OnServer() const { return m_server; }
    // Loads the document into `doc`. False when it is missing or cannot be read (`doc` is then
    // empty; Missing() tells which) or is not well-formed (`doc` holds what could be found).
    bool Load(CXmlDocument& doc);
    // The same for a change: on a server the row stays locked until Finish or destruction.
    bool LoadForChange(CXmlDocument& doc);
    // Writes the document back in its own encoding; false when the write fails or is refused
    // (doc.SaveRefusal() says why, and nothing is written).
    bool Save(CXmlDocument& doc);
    // Ends a change: on a server every successful Save is committed at once. False when that
    // fails; nothing of the change is kept then.
    bool Finish();
    // The last load found no document (no file, no row) where the folder says it is.
    bool Missing() const { return m_missing; }
    // The last load could not connect to the server (the connect has said why).
    bool Unreachable() const { return m_unreachable; }
    // Why the last load's statements failed on the server; empty when they did not.
    const std::string& ReadError() const { return m_readError; }

private:
    bool LoadFromServer(CXmlDocument& doc, bool forChange);

    bool m_server = false;
    bool m_missing = false;
    bool m_failed = false;
    bool m_unreachable = false;
    std::string m_readError;
    std::filesystem::path m_path;
    std::unique_ptr<CDataStore> m_store;
};

// Why the current folder's document cannot be listed or changed now, as a message: missing, or
// not a whole XML document. Empty when it is sound, and when the server could not be reached
// (the connect has told that already); `sound` says which.
std::string ConfigDocumentProblem(bool* sound);

// The messages of the lists, naming the file or the server as the folder has it.
// A change refused because the document's encoding cannot carry it.
std::string ConfigChangeRefusedText(const std::string& reason);
// A change that could not be made (no such list, the write failed).
std::string ConfigChangeFailedText();
// Where the lists are, for a message such as "写入配置文件失败：...".
std::string ConfigDocumentPlace();
