// Whole-file reading and the report line: the outcomes callers rely on, natively and under Wine.
#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app/files.h"
#include "app/report.h"

namespace {

std::string ScratchPath(const char* name) {
  std::string dir = ::testing::TempDir();
  if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') dir += '/';
  return dir + name;
}

}  // namespace

TEST(ReadWholeFile, ReturnsTheBytesFollowedByAZero) {
  std::string path = ScratchPath("kestra_files_bytes.bin");
  const char body[] = {'a', '\0', 'b', 'c'};
  ASSERT_TRUE(WriteWholeFile(path.c_str(), body, sizeof body));
  FileBytes file;
  ASSERT_TRUE(ReadWholeFile(path.c_str(), &file));
  ASSERT_EQ(file.Size(), 4u);
  EXPECT_EQ(file.data.size(), 5u);
  EXPECT_EQ(file.Bytes()[2], 'b');
  EXPECT_EQ(file.Bytes()[4], 0);  // a zero in the body does not shorten the buffer
  std::remove(path.c_str());
}

TEST(ReadWholeFile, EmptyFileIsAOneByteBuffer) {
  std::string path = ScratchPath("kestra_files_empty.bin");
  ASSERT_TRUE(WriteWholeFile(path.c_str(), "", 0));
  FileBytes file;
  ASSERT_TRUE(ReadWholeFile(path.c_str(), &file));
  EXPECT_EQ(file.Size(), 0u);
  ASSERT_EQ(file.data.size(), 1u);
  EXPECT_STREQ(file.Text(), "");
  EXPECT_TRUE(FileExists(path.c_str()));
  std::remove(path.c_str());
}

TEST(ReadWholeFile, MissingFileAndFolderFailCleanly) {
  FileBytes file;
  file.data.assign(3, 7);
  EXPECT_FALSE(ReadWholeFile("no/such/folder/file.txt", &file));
  EXPECT_TRUE(file.data.empty());
  EXPECT_FALSE(FileExists("no/such/folder/file.txt"));
  EXPECT_FALSE(ReadWholeFile(::testing::TempDir().c_str(), &file));
  EXPECT_FALSE(ReadWholeFile(".", &file));
  EXPECT_FALSE(FileExists("."));
  EXPECT_FALSE(ReadWholeFile("", &file));
}

TEST(ReadWholeFile, OpensNonAsciiUtf8Names) {
  // "menu-été-ç€.txt" in UTF-8.
  std::string path = ScratchPath("menu-\xC3\xA9t\xC3\xA9-\xC3\xA7\xE2\x82\xAC.txt");
  ASSERT_TRUE(WriteWholeFile(path.c_str(), "ok", 2));
  EXPECT_TRUE(FileExists(path.c_str()));
  FileBytes file;
  ASSERT_TRUE(ReadWholeFile(path.c_str(), &file));
  EXPECT_STREQ(file.Text(), "ok");
  std::remove(path.c_str());
}

TEST(ReadWholeFile, LongPathsOpenTheSameFile) {
  // Long names go past any fixed-size conversion buffer: 100 segments of "./".
  std::string dir = ::testing::TempDir();
  if (!dir.empty() && dir.back() != '/' && dir.back() != '\\') dir += '/';
  std::string prefix;
  for (int i = 0; i < 300; ++i) prefix += "./";
  std::string shortPath = dir + "kestra_files_long.txt";
  ASSERT_TRUE(WriteWholeFile(shortPath.c_str(), "long", 4));
  std::string longPath = dir + prefix + "kestra_files_long.txt";
  ASSERT_GT(longPath.size(), 512u);
  FileBytes file;
  ASSERT_TRUE(ReadWholeFile(longPath.c_str(), &file));
  EXPECT_STREQ(file.Text(), "long");
  std::remove(shortPath.c_str());
}

TEST(ReadWholeFile, InvalidUtf8NameFails) {
  FileBytes file;
  EXPECT_FALSE(ReadWholeFile("bad\xFF\xFEname.txt", &file));
}

TEST(Report, PrintsALongLineWhole) {
  // A compiler listing or a long menu id runs past any line buffer.
  const std::string id(5000, 'x');
  testing::internal::CaptureStdout();
  Report("menu.json: choice %s of node %d has no text", id.c_str(), 7);
  Report("short %d", 1);
  EXPECT_EQ(testing::internal::GetCapturedStdout(),
            "menu.json: choice " + id + " of node 7 has no text\nshort 1\n");
}
