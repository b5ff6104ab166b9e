// libFuzzer target: importing goods and business units from any CSV text never crashes and
// is all or nothing: either every data row is stored, or none is and a message says why.
// The program folder lives in memory (/dev/shm) when it can, so each run is quick.
#include "app/ProgramFolderSetup.h"
#include "basic/MasterDataImport.h"
#include "port/MessagePort.h"
#include "store/CDataStore.h"
#include "store/Session.h"

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <filesystem>
#include <string>
#include <string_view>
#include <unistd.h>

namespace {
class CCountingPort : public IMessagePort {
public:
    void Inform(const std::string&) override { ++m_count; }
    bool AskYesNo(const std::string&) override { return true; }
    bool AskOkCancel(const std::string&) override { return true; }
    int m_count = 0;
};

CCountingPort g_port;

void MakeFolder() {
    static bool made = false;
    if (made)
        return;
    made = true;
    std::error_code ec;
    std::filesystem::path base = std::filesystem::is_directory("/dev/shm", ec)
                                     ? std::filesystem::path("/dev/shm")
                                     : std::filesystem::temp_directory_path();
    std::string dir = (base / "ferix-fuzz-XXXXXX").string();
    std::string error;
    if (!mkdtemp(dir.data()) || !CreateProgramFolder(dir, &error))
        std::abort();
    std::filesystem::current_path(dir);
    SetMessagePort(&g_port);
    // The folder's first operator, 管理员, as a login would make it.
    Session().rights = CRoleRights(kAdminRole, {}, {}, {});
    CDataStore store;
    if (!store.ConnectMain() || !store.AddGoodsClass("电子", ""))
        std::abort();
}

// Rows of the table; emptied again for the next input.
int64_t TakeRows(const char* table) {
    CDataStore store;
    int64_t n = -1;
    if (!store.ConnectMain() ||
        !store.Run(std::string("select count(*) from ") + table, {},
                   [&](const CStatement& st) { n = st.Int(0); }) ||
        (n > 0 && !store.Run(std::string("delete from ") + table, {})))
        std::abort();
    return n;
}

template <class Import> void Check(const char* table, Import import, std::string_view csv) {
    g_port.m_count = 0;
    size_t added = 12345;
    ImportOutcome outcome = import(csv, &added);
    const int64_t rows = TakeRows(table);
    if (outcome == ImportOutcome::Imported) {
        if (rows != static_cast<int64_t>(added))
            std::abort(); // said stored, but the table holds another number of rows
    } else {
        if (rows != 0 || added != 0)
            std::abort(); // a refused file left rows behind
        if (g_port.m_count == 0)
            std::abort(); // refused without a word
    }
}
} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    MakeFolder();
    std::string_view csv(reinterpret_cast<const char*>(data), size);
    Check(
        "ferix_product", [](std::string_view t, size_t* n) { return ImportGoodsCsv(t, n); }, csv);
    Check(
        "ferix_customer",
        [](std::string_view t, size_t* n) { return ImportBusinessUnitsCsv(t, n); }, csv);
    return 0;
}
