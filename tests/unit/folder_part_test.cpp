#include <gtest/gtest.h>

#include "app/folder_part.h"

namespace {

TEST(FolderPart, KeepsEverythingUpToTheLastSeparator) {
  const std::pair<const char*, const char*> cases[] = {
      {"/home/ann/Videos/clip.mp4", "/home/ann/Videos/"},
      {"C:\\Videos\\clip.mp4", "C:\\Videos\\"},
      {"C:/Videos/clip.mp4", "C:/Videos/"},
      {"/a\\b/c.mp4", "/a\\b/"},  // whichever separator comes last
      {"/clip.mp4", "/"},
      {"/home/ann/", "/home/ann/"},
  };
  for (const auto& [path, folder] : cases) EXPECT_EQ(FolderPart(path), Text(folder)) << path;
}

TEST(FolderPart, NoSeparatorGivesNothing) {
  // .mp4 is what a cancelled save dialog leaves behind; a drive colon is no
  // separator.
  for (const char* path : {"", "clip.mp4", "C:clip.mp4", ".mp4"}) EXPECT_EQ(FolderPart(path), Text()) << path;
}

}  // namespace
