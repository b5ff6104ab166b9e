#include "config/ConfigDocumentStore.h"

#include "config/CXmlDocument.h"
#include "config/ConfigLists.h"
#include "port/ProgramFolder.h"
#include "store/CDataStore.h"
#include "store/ServerConfig.h"

#include <system_error>

namespace {
// The bytes travel as hexadecimal text: the store binds every value as text, and a document in
// GBK or UTF-16 is no valid text of the database's encoding.
std::string ToHex(std::string_view bytes) {
    static const char digits[] = "0123456789abcdef";
    std::string hex;
    hex.reserve(bytes.size() * 2);
    for (unsigned char c : bytes) {
        hex += digits[c >> 4];
        hex += digits[c & 0x0F];
    }
    return hex;
}

int HexDigit(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

bool FromHex(std::string_view hex, std::string& bytes) {
    if (hex.size() % 2)
        return false;
    bytes.clear();
    bytes.reserve(hex.size() / 2);
    for (size_t i = 0; i < hex.size(); i += 2) {
        const int high = HexDigit(hex[i]), low = HexDigit(hex[i + 1]);
        if (high < 0 || low < 0)
            return false;
        bytes += static_cast<char>(high * 16 + low);
    }
    return true;
}
} // namespace

bool ConfigDocumentOnServer() {
    std::error_code ec;
    return std::filesystem::exists(ServerConfigPath(ProgramFolder()), ec);
}

CConfigDocumentAccess::CConfigDocumentAccess()
    : m_server(ConfigDocumentOnServer()), m_path(ConfigFilePath()) {}

CConfigDocumentAccess::~CConfigDocumentAccess() {
    if (m_store)
        m_store->Rollback();
}

bool CConfigDocumentAccess::Load(CXmlDocument& doc) {
    if (m_server)
        return LoadFromServer(doc, false);
    std::error_code ec;
    m_missing = !std::filesystem::is_regular_file(m_path, ec);
    return doc.Load(m_path);
}

bool CConfigDocumentAccess::LoadForChange(CXmlDocument& doc) {
    if (m_server)
        return LoadFromServer(doc, true);
    return Load(doc);
}

bool CConfigDocumentAccess::LoadFromServer(CXmlDocument& doc, bool forChange) {
    doc = CXmlDocument();
    m_missing = false;
    m_failed = false;
    m_readError.clear();
    m_store = std::make_unique<CDataStore>();
    // A failed connect has told its reason already.
    m_unreachable = !m_store->ConnectOther();
    if (m_unreachable) {
        m_store.reset();
        return false;
    }
    std::string hex;
    bool found = false;
    const std::string lock = forChange ? " for update" : "";
    if ((forChange && !m_store->Begin()) ||
        !m_store->Run("select encode(content, 'hex') from ferix_config where name = ?" + lock,
                      {kConfigDocumentName}, [&](const CStatement& row) {
                          hex = row.Text(0);
                          found = true;
                      })) {
        m_readError = m_store->LastError();
        m_store.reset();
        return false;
    }
    if (!forChange)
        m_store.reset();
    std::string bytes;
    m_missing = !found;
    if (!found || !FromHex(hex, bytes))
        return false;
    return doc.LoadBytes(std::move(bytes));
}

bool CConfigDocumentAccess::Save(CXmlDocument& doc) {
    if (!m_server)
        return doc.Save(m_path);
    std::string bytes;
    if (!m_store || !doc.SaveBytes(bytes))
        return false;
    if (!m_store->Run("update ferix_config set content = decode(?, 'hex') where name = ?",
                      {ToHex(bytes), kConfigDocumentName}) ||
        m_store->Changes() != 1) {
        m_failed = true;
        return false;
    }
    return true;
}

bool CConfigDocumentAccess::Finish() {
    if (!m_store)
        return true;
    auto store = std::move(m_store);
    if (m_failed) {
        store->Rollback();
        return false;
    }
    if (store->Commit())
        return true;
    store->Rollback();
    return false;
}

std::string ConfigDocumentProblem(bool* sound) {
    CConfigDocumentAccess access;
    CXmlDocument doc;
    *sound = access.Load(doc);
    if (*sound)
        return {};
    if (access.Unreachable())
        return {};
    if (!access.ReadError().empty())
        return "读取服务器上的配置列表失败：" + access.ReadError();
    if (access.Missing()) {
        return access.OnServer() ? "服务器上找不到配置列表（表 ferix_config 中没有 " +
                                       std::string(kConfigDocumentName) + "）。"
                                 : "找不到配置文件 Data/ferix_config.data。";
    }
    // A damaged document (cut short, not XML) would list only part of its entries as if that
    // were all, and a change saved into it could not mend it.
    return std::string(access.OnServer() ? "服务器上的配置列表"
                                         : "配置文件 Data/ferix_config.data ") +
           "已损坏（不是完整的 XML 文档），没有读取或修改其中的任何内容。";
}

std::string ConfigChangeRefusedText(const std::string& reason) {
    return (ConfigDocumentOnServer() ? "服务器上的配置列表没有修改："
                                     : "配置文件 Data/ferix_config.data 没有修改：") +
           reason + "。";
}

std::string ConfigChangeFailedText() {
    return ConfigDocumentOnServer()
               ? "无法修改服务器上的配置列表（列表不存在或无法写入服务器）。"
               : "无法修改配置文件 Data/ferix_config.data（列表不存在或文件无法写入）。";
}

std::string ConfigDocumentPlace() {
    return ConfigDocumentOnServer() ? "服务器上的配置列表（表 ferix_config）"
                                    : ConfigFilePath().string();
}
