#include "TestSupport.h"

#include "text/Clock.h"

#include <fstream>
#include <sstream>
#include <unistd.h>

void ProgramFolderTest::SetUp() {
    m_previous = std::filesystem::current_path();
    std::string tmpl = (std::filesystem::temp_directory_path() / "ferix-test-XXXXXX").string();
    ASSERT_NE(mkdtemp(tmpl.data()), nullptr);
    m_dir = tmpl;
    std::filesystem::current_path(m_dir);
    App().ResetForTest();
    // 2026-12-07 09:30:15 local time
    std::tm tm{};
    tm.tm_year = 126;
    tm.tm_mon = 11;
    tm.tm_mday = 7;
    tm.tm_hour = 9;
    tm.tm_min = 30;
    tm.tm_sec = 15;
    tm.tm_isdst = -1;
    std::time_t fixed = std::mktime(&tm);
    SetClockForTest([fixed] { return fixed; });
}

void ProgramFolderTest::TearDown() {
    SetClockForTest(nullptr);
    App().ResetForTest();
    std::filesystem::current_path(m_previous);
    std::error_code ec;
    std::filesystem::permissions(m_dir, std::filesystem::perms::owner_all,
                                 std::filesystem::perm_options::add, ec);
    std::filesystem::remove_all(m_dir, ec);
}

void ProgramFolderTest::InitFolder() {
    std::string error;
    ASSERT_TRUE(CreateProgramFolder(m_dir, &error)) << error;
}

std::string ProgramFolderTest::ReadFile(const std::filesystem::path& relative) const {
    std::ifstream f(m_dir / relative, std::ios::binary);
    std::stringstream ss;
    ss << f.rdbuf();
    return ss.str();
}
