// The settings-file store over real files in a temporary directory.
#include "app/profile_file.h"

#include <dirent.h>
#include <signal.h>
#include <stdlib.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "web/codepage.h"
#include "web/text.h"

namespace brevink {
namespace {

class ProfileFileTest : public testing::Test {
  protected:
    void SetUp() override {
        char name[] = "/tmp/profile_test.XXXXXX";
        ASSERT_NE(mkdtemp(name), nullptr);
        dir_ = name;
        path_ = dir_ + "/settings.ini";
    }
    void TearDown() override { std::filesystem::remove_all(dir_); }

    void Put(const std::string& bytes) const { std::ofstream(path_, std::ios::binary) << bytes; }
    std::string Get() const {
        std::ifstream in(path_, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::string> DirEntries() const {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(dir_)) {
            names.push_back(entry.path().filename().string());
        }
        return names;
    }
    mode_t Mode() const {
        struct stat st {};
        EXPECT_EQ(stat(path_.c_str(), &st), 0);
        return st.st_mode & 0777;
    }

    std::string dir_;
    std::string path_;
};

struct ReadCase {
    const char* name;
    std::string file;
    std::string section;
    std::string key;
    std::string expected;  // read with the default "DEF"
};

class ProfileReadTest : public ProfileFileTest, public testing::WithParamInterface<ReadCase> {};

TEST_P(ProfileReadTest, ReadsKeyOrDefault) {
    const ReadCase& c = GetParam();
    Put(c.file);
    EXPECT_EQ(ReadProfileString(path_, c.section, c.key, "DEF"), c.expected);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileReadTest,
    testing::Values(
        ReadCase{"crlf", "[Brevink]\r\nEdit1001=myname\r\n", "Brevink", "Edit1001", "myname"},
        ReadCase{"lf_no_final_newline", "[S]\nk=v", "S", "k", "v"},
        ReadCase{"lone_cr_at_end", "[S]\nk=v\r", "S", "k", "v"},
        ReadCase{"lone_cr_after_header", "[S\r", "S", "k", "DEF"},
        ReadCase{"lone_cr_inside_line", "[S]\nk=a\rb\n", "S", "k", "a\rb"},
        ReadCase{"names_ignore_ascii_case", "[brevink]\nEDIT1=x\n", "BREVINK", "edit1", "x"},
        ReadCase{"blanks_around_value_dropped", "[S]\nk= \t a b \t \n", "S", "k", "a b"},
        ReadCase{"blanks_around_names_dropped", " [ S ] \n\t k \t=v\n", "S", "k", "v"},
        ReadCase{"empty_value_is_a_value", "[S]\nk=\n", "S", "k", ""},
        ReadCase{"value_holds_equals", "[S]\nk=a=b\n", "S", "k", "a=b"},
        ReadCase{"missing_section", "[T]\nk=v\n", "S", "k", "DEF"},
        ReadCase{"missing_key", "[S]\nj=v\n", "S", "k", "DEF"},
        ReadCase{"key_of_other_section", "[S]\na=1\n[T]\nk=v\n", "S", "k", "DEF"},
        ReadCase{"second_section", "[S]\nk=1\n[T]\nk=2\n", "T", "k", "2"},
        ReadCase{"first_of_duplicates", "[S]\nk=1\nk=2\n[S]\nk=3\n", "S", "k", "1"},
        ReadCase{"key_before_any_section", "k=v\n[S]\n", "S", "k", "DEF"},
        ReadCase{"comment_is_no_key", "[S]\n;k=v\n", "S", "k", "DEF"},
        ReadCase{"line_without_equals", "[S]\nk\n", "S", "k", "DEF"},
        ReadCase{"header_without_bracket", "[S\nk=v\n", "S", "k", "v"},
        ReadCase{"empty_section_name", "[]\nk=v\n", "", "k", "DEF"},
        ReadCase{"empty_key", "[S]\n=v\n", "S", "", "DEF"},
        ReadCase{"empty_file", "", "S", "k", "DEF"},
        ReadCase{"nul_ends_value", std::string("[S]\nk=a\0b\n", 10), "S", "k", "a"},
        ReadCase{"nul_in_other_lines", std::string("\0\0\n[S]\nk=v\n", 11), "S", "k", "v"},
        ReadCase{"binary_garbage", "\xFF\xFE\x01[\x80]\r\r\n=\n[S]\xC4", "S", "k", "DEF"},
        ReadCase{"gbk_value", "[S]\nk=\xC4\xE3\xBA\xC3\n", "S", "k", "\xC4\xE3\xBA\xC3"},
        // The trail byte 0x41 of "\xC4\x41" is no letter: the names differ.
        ReadCase{"trail_bytes_not_folded", "[\xC4\x61]\nk=v\n", "\xC4\x41", "k", "DEF"},
        // 0x5D ("]") is the trail byte of "\xB5\x5D": the header ends at the next "]".
        ReadCase{"gbk_trail_bracket_in_section", "[\xB5\x5D]\nk=v\n", "\xB5\x5D", "k", "v"},
        ReadCase{"gbk_trail_bracket_unclosed", "[\xB5\x5D\nk=v\n", "\xB5\x5D", "k", "v"},
        ReadCase{"gbk_section_folded_around",
                 "[\xB8\xDF"
                 "ab]\nk=v\n",
                 "\xB8\xDF"
                 "AB",
                 "k", "v"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProfileFileTest, MissingFileGivesDefault) {
    EXPECT_EQ(ReadProfileString(path_, "S", "k", "DEF"), "DEF");
    EXPECT_EQ(ReadProfileString(path_, "S", "k", ""), "");
    EXPECT_TRUE(DirEntries().empty());
}

TEST_F(ProfileFileTest, LongValuesAreCutWhenRead) {
    Put("[S]\nlong=" + std::string(20000, 'x') + "\nnext=1\n");
    EXPECT_EQ(ReadProfileString(path_, "S", "long", ""), std::string(kProfileValueMax, 'x'));
    EXPECT_EQ(ReadProfileString(path_, "S", "next", ""), "1");
    // The cut never leaves half a character: 2 + 2 * 5119 bytes would be 10,240.
    std::string gbk = "xx";
    for (int i = 0; i < 5200; ++i) {
        gbk += "\xC4\xE3";
    }
    Put("[S]\nk=" + gbk + "\n");
    EXPECT_EQ(ReadProfileString(path_, "S", "k", ""), gbk.substr(0, 10238));
    EXPECT_EQ(ReadProfileString(path_, "S", "none", std::string(10240, 'd')).size(),
              kProfileValueMax);
}

struct WriteCase {
    const char* name;
    std::string before;
    std::string section;
    std::string key;
    std::string value;
    std::string after;
};

const std::string kGarbage("\0\xFF\x01garbage\n\xC4", 12);

class ProfileWriteTest : public ProfileFileTest, public testing::WithParamInterface<WriteCase> {};

TEST_P(ProfileWriteTest, ReplacesOnlyItsOwnLine) {
    const WriteCase& c = GetParam();
    Put(c.before);
    ASSERT_TRUE(WriteProfileString(path_, c.section, c.key, c.value));
    EXPECT_EQ(Get(), c.after);
    EXPECT_EQ(Mode(), 0600u);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ProfileWriteTest,
    testing::Values(
        WriteCase{"replace_keeps_others", "; note\r\n[S]\r\na=1\r\nk=old\r\nb=2\r\n[T]\r\nk=x\r\n",
                  "S", "k", "new", "; note\r\n[S]\r\na=1\r\nk=new\r\nb=2\r\n[T]\r\nk=x\r\n"},
        WriteCase{"replace_ignores_case", "[s]\n  K = old \nz=1\n", "S", "k", "new",
                  "[s]\nk=new\nz=1\n"},
        WriteCase{"replace_in_second_section", "[S]\nk=1\n[T]\nk=2\n", "T", "k", "3",
                  "[S]\nk=1\n[T]\nk=3\n"},
        WriteCase{"new_key_uses_lf", "[S]\na=1\n", "S", "k", "v", "[S]\na=1\nk=v\n"},
        WriteCase{"new_key_before_blank_lines", "[S]\r\na=1\r\n\r\n[T]\r\nb=2\r\n", "S", "k", "v",
                  "[S]\r\na=1\r\nk=v\r\n\r\n[T]\r\nb=2\r\n"},
        WriteCase{"new_key_after_header_only", "[S]\n[T]\n", "S", "k", "v", "[S]\nk=v\n[T]\n"},
        WriteCase{"new_key_no_final_newline", "[S]\na=1", "S", "k", "v", "[S]\na=1\nk=v\n"},
        WriteCase{"header_alone_no_newline", "[S]", "S", "k", "v", "[S]\r\nk=v\r\n"},
        WriteCase{"new_section_appended", "[S]\na=1\n", "T", "k", "v", "[S]\na=1\n[T]\nk=v\n"},
        WriteCase{"new_section_no_final_newline", "[S]\r\na=1", "T", "k", "v",
                  "[S]\r\na=1\r\n[T]\r\nk=v\r\n"},
        WriteCase{"empty_file", "", "S", "k", "v", "[S]\r\nk=v\r\n"},
        // A lone CR at the end becomes a CR LF: the line reads the same as before.
        WriteCase{"lone_cr_at_end_new_key", "\n[S\r", "S", "k", "v", "\n[S\r\nk=v\n"},
        WriteCase{"lone_cr_at_end_new_section", "[T]\r", "S", "k", "v", "[T]\r\n[S]\r\nk=v\r\n"},
        WriteCase{"lone_cr_at_end_replaced", "[S]\nk=old\r", "S", "k", "v", "[S]\nk=v\r"},
        WriteCase{"empty_value", "[S]\nk=v\n", "S", "k", "", "[S]\nk=\n"},
        WriteCase{"mixed_endings_kept", "[S]\r\na=1\nk=2\r\nb=3", "S", "k", "9",
                  "[S]\r\na=1\nk=9\r\nb=3"},
        WriteCase{"value_cut_at_line_break", "[S]\n", "S", "k", "a\r\n[T]\r\nx=1", "[S]\nk=a\n"},
        WriteCase{"value_cut_at_nul", "", "S", "k", std::string("a\0b", 3), "[S]\r\nk=a\r\n"},
        WriteCase{"garbage_kept", kGarbage, "S", "k", "v", kGarbage + "\n[S]\nk=v\n"},
        WriteCase{"gbk_trail_bracket_in_section", "[\xB5\x5D]\nk=1\n", "\xB5\x5D", "k", "2",
                  "[\xB5\x5D]\nk=2\n"},
        WriteCase{"gbk_names", "", "\xB8\xDF\xBC\xB6", "Edit1", "\xC4\xE3",
                  "[\xB8\xDF\xBC\xB6]\r\nEdit1=\xC4\xE3\r\n"}),
    [](const auto& info) { return std::string(info.param.name); });

TEST_F(ProfileFileTest, FirstWriteCreatesPrivateFile) {
    ASSERT_TRUE(WriteProfileString(path_, "Brevink", "Edit1001", "myname"));
    ASSERT_TRUE(WriteProfileString(path_, "Brevink", "Edit1002", "secret"));
    ASSERT_TRUE(WriteProfileString(path_, "Brevink", "Button1003", "Y"));
    const std::string filter = Gbk(u8"高级过滤（将符合条件的排到最前）");
    ASSERT_TRUE(WriteProfileString(path_, filter, "Edit1004", ""));
    EXPECT_EQ(Get(), "[Brevink]\r\nEdit1001=myname\r\nEdit1002=secret\r\nButton1003=Y\r\n[" +
                         filter + "]\r\nEdit1004=\r\n");
    EXPECT_EQ(Mode(), 0600u);
    EXPECT_EQ(DirEntries(), std::vector<std::string>{"settings.ini"});  // no temporary left
    EXPECT_EQ(ReadProfileString(path_, "brevink", "edit1002", ""), "secret");
    EXPECT_EQ(ReadProfileString(path_, filter, "Edit1004", "DEF"), "");
}

TEST_F(ProfileFileTest, ReplacingMakesReadableFilePrivate) {
    Put("[S]\nk=1\n");
    ASSERT_EQ(chmod(path_.c_str(), 0644), 0);
    ASSERT_TRUE(WriteProfileString(path_, "S", "k", "2"));
    EXPECT_EQ(Mode(), 0600u);
}

TEST_F(ProfileFileTest, WritesWhatItReadsBack) {
    const std::string values[] = {"plain", " padded ", "\xC4\xE3\xBA\xC3",
                                  "a=b;c", "[x]",      std::string(kProfileValueMax, 'v')};
    for (const auto& value : values) {
        ASSERT_TRUE(WriteProfileString(path_, "S", "k", value));
        EXPECT_EQ(ReadProfileString(path_, "S", "k", "DEF"), TrimBlanks(value));
    }
}

TEST_F(ProfileFileTest, RefusesNamesItCouldNotFindAgain) {
    Put("[S]\nk=1\n");
    const struct {
        std::string section, key;
    } cases[] = {{"", "k"},
                 {"S", ""},
                 {"a]b", "k"},
                 {"S", "a=b"},
                 {"S\n", "k"},
                 {"S", "k\r"},
                 {" S", "k"},
                 {"S", "k "},
                 {"S", "[k"},
                 {"S", ";k"},
                 {std::string("S\0", 2), "k"}};
    for (const auto& c : cases) {
        EXPECT_FALSE(WriteProfileString(path_, c.section, c.key, "v")) << c.section << c.key;
        EXPECT_EQ(ReadProfileString(path_, c.section, c.key, "DEF"), "DEF");
    }
    EXPECT_EQ(Get(), "[S]\nk=1\n");
}

TEST_F(ProfileFileTest, MalformedFileKeepsItsLinesOnWrite) {
    std::string garbage;
    for (int i = 0; i < 4096; ++i) {
        garbage += static_cast<char>((i * 37) & 0xFF);
    }
    const std::string longLine(3 << 20, 'L');
    const std::string before = garbage + "\n" + longLine + "\r\n[S]\nno brackets here";
    Put(before);
    EXPECT_EQ(ReadProfileString(path_, "S", "k", "DEF"), "DEF");
    ASSERT_TRUE(WriteProfileString(path_, "S", "k", "v"));
    const std::string after = Get();
    ASSERT_EQ(after.substr(0, before.size()), before);
    EXPECT_EQ(ReadProfileString(path_, "S", "k", "DEF"), "v");
}

TEST_F(ProfileFileTest, FailedWriteReportsFalse) {
    EXPECT_FALSE(WriteProfileString(dir_ + "/missing/settings.ini", "S", "k", "v"));
    Put("plain file");
    EXPECT_FALSE(WriteProfileString(path_ + "/settings.ini", "S", "k", "v"));
    // A directory where the file should be: it cannot be read, so it is not replaced.
    const std::string sub = dir_ + "/sub";
    ASSERT_EQ(mkdir(sub.c_str(), 0700), 0);
    EXPECT_FALSE(WriteProfileString(sub, "S", "k", "v"));
    EXPECT_TRUE(std::filesystem::is_directory(sub));
}

// A full disk in the middle of the write: the old file stays whole and no temporary remains.
TEST_F(ProfileFileTest, FullDiskLeavesOldFile) {
    const std::string before = "[S]\r\nk=old\r\nother=keep\r\n";
    Put(before);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        signal(SIGXFSZ, SIG_IGN);
        const rlimit limit{1024, 1024};
        setrlimit(RLIMIT_FSIZE, &limit);
        _exit(WriteProfileString(path_, "S", "k", std::string(8000, 'n')) ? 1 : 0);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 0) << "the write must report its failure";
    EXPECT_EQ(Get(), before);
    EXPECT_EQ(DirEntries(), std::vector<std::string>{"settings.ini"});
}

TEST_F(ProfileFileTest, UnwritableDirectoryLeavesOldFile) {
    if (geteuid() == 0) {
        GTEST_SKIP() << "root writes anywhere; FullDiskLeavesOldFile covers the failure";
    }
    Put("[S]\nk=old\n");
    ASSERT_EQ(chmod(dir_.c_str(), 0500), 0);
    EXPECT_FALSE(WriteProfileString(path_, "S", "k", "new"));
    chmod(dir_.c_str(), 0700);
    EXPECT_EQ(Get(), "[S]\nk=old\n");
}

}  // namespace
}  // namespace brevink
