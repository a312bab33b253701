// Where the program's files live: the lookup lists and the settings file.
// Run from its build folder the program keeps them all beside itself, as it
// always has. Installed, its folder is not the user's to write: the shipped
// lists are read from share/kestrove, and what the user saves goes to (and
// is read first from) the user's data folder. Everything that reads or
// writes one of these files asks here.
#pragma once

#include <string>
#include <string_view>

namespace kestrove {

// The parts of the process environment that decide the user's data folder.
struct PlacesEnvironment {
  std::string xdg_data_home;  // $XDG_DATA_HOME
  std::string home;           // $HOME
};

// The process's own environment (HOME falling back to the password entry).
PlacesEnvironment ProcessEnvironment();

inline constexpr const char* kSettingsFileName = "kvsys.dat";

struct FilePlaces {
  // Installed: a share/kestrove beside the bin folder and no build tree.
  bool installed = false;
  std::string program_dir;  // the program's folder, with a trailing "/"
  std::string shared_dir;   // installed: the shipped lists, with a trailing "/"
  std::string user_dir;     // installed: $XDG_DATA_HOME/kestrove/
  std::string profile_dir;  // start folder of the profile dialogs

  // One folder for reading and writing everything: the build tree, a
  // --lists-dir, a test's scratch folder.
  static FilePlaces In(const std::string& dir);

  // The folder a file is read from: installed, the user's data folder when
  // the file is there, else share/kestrove. With a trailing "/".
  std::string ReadFolder(std::string_view file) const;
  std::string ReadPath(std::string_view file) const;
  // The folder every saved file goes to, with a trailing "/".
  const std::string& WriteFolder() const { return installed ? user_dir : program_dir; }
  std::string WritePath(std::string_view file) const;
  std::string SettingsPath() const { return WritePath(kSettingsFileName); }
  // Installed, creates the user's data folder (and its parents) so that a
  // save can land there. Returns false when it cannot be made; the save
  // then reports the failure as it would for any unwritable folder.
  bool MakeWriteFolder() const;
};

// Decides the places for a program in `program_dir` (trailing "/" or not).
// Whether the folder is writable plays no part: root can write anywhere.
FilePlaces FindFilePlaces(const std::string& program_dir, const PlacesEnvironment& env);

// The places of the running program in its own environment.
FilePlaces ProgramPlaces();

}  // namespace kestrove
