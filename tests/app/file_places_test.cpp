// Where the lists and the settings file are read and written: decided by
// the layout around the program's folder, never by whether it is writable.
#include "app/file_places.h"

#include <gtest/gtest.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace kestrove {
namespace {

namespace fs = std::filesystem;

class FilePlacesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("kestrove-places-" + std::to_string(::getpid()));
    fs::remove_all(root_);
    fs::create_directories(root_ / "usr/bin");
  }
  void TearDown() override { fs::remove_all(root_); }
  void Touch(const fs::path& path) {
    fs::create_directories(path.parent_path());
    std::ofstream(path) << "x";
  }
  std::string Dir(const char* relative) const { return (root_ / relative).string() + "/"; }

  fs::path root_;
};

struct Layout {
  const char* name;
  bool shared;       // usr/share/kestrove exists
  bool build_cache;  // usr/CMakeCache.txt exists (a build tree)
  bool installed;
};

TEST_F(FilePlacesTest, InstalledOnlyWithSharedFolderAndNoBuildTree) {
  const Layout layouts[] = {
      {"installed", true, false, true},
      {"build tree with a share folder", true, true, false},
      {"build tree", false, true, false},
      {"bare folder", false, false, false},
  };
  for (const Layout& layout : layouts) {
    SCOPED_TRACE(layout.name);
    fs::remove_all(root_ / "usr/share");
    fs::remove(root_ / "usr/CMakeCache.txt");
    if (layout.shared) fs::create_directories(root_ / "usr/share/kestrove");
    if (layout.build_cache) Touch(root_ / "usr/CMakeCache.txt");
    // Without the trailing "/" too: the places add it.
    const FilePlaces places = FindFilePlaces((root_ / "usr/bin").string(), {"", Dir("home")});
    EXPECT_EQ(places.installed, layout.installed);
    EXPECT_EQ(places.program_dir, Dir("usr/bin"));
    if (layout.installed) {
      EXPECT_EQ(places.shared_dir, Dir("usr/share/kestrove"));
      EXPECT_EQ(places.WriteFolder(), Dir("home/.local/share/kestrove"));
      EXPECT_EQ(places.profile_dir, Dir("home"));
    } else {
      // Everything beside the program, as from the build folder.
      EXPECT_EQ(places.ReadFolder("srndata.bin"), Dir("usr/bin"));
      EXPECT_EQ(places.SettingsPath(), Dir("usr/bin") + "kvsys.dat");
      EXPECT_EQ(places.profile_dir, Dir("usr/bin"));
    }
  }
}

TEST_F(FilePlacesTest, UserDataFolderFollowsTheXdgRule) {
  fs::create_directories(root_ / "usr/share/kestrove");
  const std::string home = Dir("home");
  const struct {
    const char* xdg;
    std::string user_dir;
  } cases[] = {
      {"", home + ".local/share/kestrove/"},
      {"relative/data", home + ".local/share/kestrove/"},  // not absolute: ignored
      {"/srv/data", "/srv/data/kestrove/"},
      {"/srv/data/", "/srv/data/kestrove/"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.xdg);
    const FilePlaces places = FindFilePlaces(Dir("usr/bin"), {c.xdg, home});
    EXPECT_EQ(places.user_dir, c.user_dir);
    EXPECT_EQ(places.SettingsPath(), c.user_dir + "kvsys.dat");
  }
}

TEST_F(FilePlacesTest, InstalledReadsTheUsersFileFirstAndWritesOnlyThere) {
  Touch(root_ / "usr/share/kestrove/srndata.bin");
  Touch(root_ / "usr/share/kestrove/twndata.bin");
  const FilePlaces places = FindFilePlaces(Dir("usr/bin"), {Dir("data"), Dir("home")});
  ASSERT_TRUE(places.installed);
  EXPECT_FALSE(fs::exists(root_ / "data/kestrove"));  // deciding creates nothing

  ASSERT_TRUE(places.MakeWriteFolder());
  Touch(root_ / "data/kestrove/srndata.bin");
  EXPECT_EQ(places.ReadPath("srndata.bin"), Dir("data/kestrove") + "srndata.bin");
  EXPECT_EQ(places.ReadPath("twndata.bin"), Dir("usr/share/kestrove") + "twndata.bin");
  // A folder of the list's name is no saved list.
  fs::create_directories(root_ / "data/kestrove/twndata.bin");
  EXPECT_EQ(places.ReadPath("twndata.bin"), Dir("usr/share/kestrove") + "twndata.bin");
  for (const char* file : {"srndata.bin", "twndata.bin", "kvsys.dat"})
    EXPECT_EQ(places.WritePath(file), Dir("data/kestrove") + file);
}

TEST_F(FilePlacesTest, OneFolderMakesNothing) {
  const FilePlaces places = FilePlaces::In((root_ / "lists").string());
  EXPECT_FALSE(places.installed);
  EXPECT_EQ(places.ReadPath("usr1data.bin"), Dir("lists") + "usr1data.bin");
  EXPECT_EQ(places.WritePath("usr1data.bin"), Dir("lists") + "usr1data.bin");
  EXPECT_TRUE(places.MakeWriteFolder());
  EXPECT_FALSE(fs::exists(root_ / "lists"));
}

}  // namespace
}  // namespace kestrove
