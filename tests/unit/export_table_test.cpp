#include "table/export_table.h"

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <iterator>

#include "support/test_link_list.h"
#include "web/codepage.h"

namespace brevink {
namespace {

using test::TestLinkList;
namespace fs = std::filesystem;

std::string ReadFile(const fs::path& path) {
    std::ifstream in(path, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
}

TestLinkList ListOf(const std::vector<std::array<std::string, kLinkColumns>>& rows) {
    TestLinkList list;
    for (const auto& cells : rows) {
        list.rows.push_back({cells, 1});
    }
    return list;
}

class ExportTableTest : public ::testing::Test {
  protected:
    void SetUp() override {
        dir = fs::temp_directory_path() / ("brevink-export-" + std::to_string(::getpid()));
        fs::remove_all(dir);
        fs::create_directories(dir);
        path = (dir / "123.txt").string();
    }
    void TearDown() override { fs::remove_all(dir); }

    fs::path dir;
    std::string path;
};

TEST_F(ExportTableTest, WritesEveryCellWithItsSeparatorAndCrLf) {
    const std::string anchor = Gbk(u8"锚文本");
    const TestLinkList list =
        ListOf({{"3", "u", "a", "", "2"}, {"4", "http://x.cn/a b", anchor, "T", ""}});
    ASSERT_TRUE(ExportTable(list, path));
    EXPECT_EQ(ReadFile(path), "3----u----a--------2----\r\n4----http://x.cn/a b----" + anchor +
                                  "----T--------\r\n");
}

TEST_F(ExportTableTest, AnEmptyTableWritesAnEmptyFile) {
    ASSERT_TRUE(ExportTable(TestLinkList{}, path));
    EXPECT_TRUE(fs::exists(path));
    EXPECT_EQ(fs::file_size(path), 0u);
}

TEST_F(ExportTableTest, ASecondExportReplacesTheFirst) {
    ASSERT_TRUE(ExportTable(ListOf({{"1", "long-url", "", "", ""}, {"2", "b", "", "", ""}}), path));
    ASSERT_TRUE(ExportTable(ListOf({{"1", "c", "", "", "9"}}), path));
    EXPECT_EQ(ReadFile(path), "1----c------------9----\r\n");
    EXPECT_EQ(std::distance(fs::directory_iterator(dir), fs::directory_iterator{}), 1);
}

TEST_F(ExportTableTest, AFailedWriteKeepsThePreviousFile) {
    ASSERT_TRUE(ExportTable(ListOf({{"1", "kept", "", "", ""}}), path));
    // A directory where the temporary file would go makes the write fail.
    fs::create_directories(path + ".tmp/blocker");
    EXPECT_FALSE(ExportTable(ListOf({{"1", "lost", "", "", ""}}), path));
    EXPECT_EQ(ReadFile(path), "1----kept----------------\r\n");
}

TEST_F(ExportTableTest, AMissingDirectoryFailsWithoutAFile) {
    const std::string missing = (dir / "no-such-dir" / "123.txt").string();
    EXPECT_FALSE(ExportTable(ListOf({{"1", "u", "", "", ""}}), missing));
    EXPECT_FALSE(fs::exists(missing));
}

}  // namespace
}  // namespace brevink
