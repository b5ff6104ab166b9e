#pragma once
#include "app/Cferix_razazApp.h"
#include "app/ProgramFolderSetup.h"
#include "port/MessagePort.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <string>
#include <vector>

// A fresh temporary program folder made current for the test, a scripted message port and a
// fixed clock; everything is undone afterwards.
class ProgramFolderTest : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;
    // Creates the program folder as `ferix-cli init` does. With FERIX_TEST_ENGINE=pg its
    // Data/server.conf points at a schema of its own on the server FERIX_TEST_PG names, dropped
    // again after the test.
    void InitFolder();
    // The test runs its folders on a PostgreSQL server.
    static bool OnServer();
    // A libpq connection string to the test server, with `schema` as the search path.
    static std::string ServerConninfo(const std::string& schema);
    // A new empty schema on the test server, dropped after the test; its connection string.
    std::string EmptyServerSchema();
    std::filesystem::path Dir() const { return m_dir; }
    std::string ReadFile(const std::filesystem::path& relative) const;

    CScopedScriptedPort m_port;

private:
    std::filesystem::path m_dir, m_previous;
    std::string m_schema;
    std::vector<std::string> m_emptySchemas;
};
