#include "sequence/file_path.h"

#include <gtest/gtest.h>

namespace kep::sequence {
namespace {

TEST(FilePathTest, NameAndFolder) {
  EXPECT_EQ(FileNameOf("/data/x.kep"), "x.kep");
  EXPECT_EQ(FileNameOf("x.kep"), "x.kep");
  EXPECT_EQ(FileNameOf("/data/"), "");
  EXPECT_EQ(FolderOf("/data/x.kep"), "/data");
  EXPECT_EQ(FolderOf("/x.kep"), "/");
  EXPECT_EQ(FolderOf("/a/b/SQ77"), "/a/b");
  EXPECT_EQ(FolderOf("x.kep"), "");
}

TEST(FilePathTest, ReplaceExtensionLooksOnlyAtTheName) {
  EXPECT_EQ(ReplaceExtension("/data/x.kep", ".gif"), "/data/x.gif");
  EXPECT_EQ(ReplaceExtension("/data/SQ77", ".gif"), "/data/SQ77.gif");
  EXPECT_EQ(ReplaceExtension("/data.d/SQ77", ".gif"), "/data.d/SQ77.gif");
  EXPECT_EQ(ReplaceExtension("a.b.txt", ".gif"), "a.b.gif");
}

}  // namespace
}  // namespace kep::sequence
