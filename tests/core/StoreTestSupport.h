#pragma once
#include "TestSupport.h"

#include "store/CDataStore.h"

#include <optional>
#include <string>
#include <vector>

// A new program folder with the operator "admin" logged in, and helpers to set up master data
// and look at what the main data file holds.
class StoreTest : public ProgramFolderTest {
protected:
    void SetUp() override;
    void TearDown() override;

    GoodsRecord Goods(const std::string& code, const std::string& name,
                      const std::string& priceIn = "10", const std::string& className = "电子");
    // Adds a goods item (and its class when missing) through the store.
    GoodsRecord AddGoods(const std::string& code, const std::string& name,
                         const std::string& priceIn = "10", const std::string& className = "电子");
    void PutStock(const std::string& warehouse, const std::string& code, const std::string& name,
                  int64_t quantity, const std::string& price = "10");
    std::optional<StockRecord> Stock(const std::string& warehouse, const std::string& code);
    int64_t Count(const std::string& table);
    // Every row of every table of the main data file, as text: equal snapshots mean nothing
    // was written in between.
    std::string Snapshot();
    std::vector<LogRecord> Log();
    // Turns the (unopened) main data file back into what an earlier schema version made (its
    // tables on the server, with the server's version row, when the folder is on one).
    void RollBackMainSchemaTo(int version);
    // The same for the other data (operators, log, settings, roles).
    void RollBackOtherSchemaTo(int version);
    // The schema version the main data file (or its server's version row) carries.
    int64_t MainSchemaVersion();
};
