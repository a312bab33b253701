#include "app/file_places.h"

#include <pwd.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include "kestrove_config.h"

namespace kestrove {

namespace fs = std::filesystem;

namespace {

std::string WithSlash(std::string dir) {
  if (dir.empty() || dir.back() != '/') dir += '/';
  return dir;
}

std::string Variable(const char* name) {
  const char* value = std::getenv(name);
  return value ? value : "";
}

}  // namespace

PlacesEnvironment ProcessEnvironment() {
  PlacesEnvironment env{Variable("XDG_DATA_HOME"), Variable("HOME")};
  if (env.home.empty()) {
    if (const passwd* entry = ::getpwuid(::getuid()); entry && entry->pw_dir)
      env.home = entry->pw_dir;
  }
  return env;
}

FilePlaces FilePlaces::In(const std::string& dir) {
  FilePlaces places;
  places.program_dir = dir.empty() ? dir : WithSlash(dir);
  places.profile_dir = places.program_dir;
  return places;
}

std::string FilePlaces::ReadFolder(std::string_view file) const {
  if (!installed) return program_dir;
  std::error_code ec;
  return fs::is_regular_file(fs::path(user_dir) / file, ec) ? user_dir : shared_dir;
}

std::string FilePlaces::ReadPath(std::string_view file) const {
  return ReadFolder(file) + std::string(file);
}

std::string FilePlaces::WritePath(std::string_view file) const {
  return WriteFolder() + std::string(file);
}

bool FilePlaces::MakeWriteFolder() const {
  if (!installed) return true;
  std::error_code ec;
  fs::create_directories(user_dir, ec);
  return fs::is_directory(user_dir, ec);
}

FilePlaces FindFilePlaces(const std::string& program_dir, const PlacesEnvironment& env) {
  FilePlaces places = FilePlaces::In(program_dir);
  const fs::path bin(places.program_dir.empty() ? "." : places.program_dir);
  std::error_code ec;
  const fs::path shared = (bin / KESTROVE_DATA_FROM_BIN).lexically_normal();
  // The build tree keeps its cache one level above its bin folder; a
  // share/kestrove made inside a build folder does not make it installed.
  const bool build_tree = fs::exists(bin / ".." / "CMakeCache.txt", ec);
  if (build_tree || !fs::is_directory(shared, ec)) return places;

  places.installed = true;
  places.shared_dir = WithSlash(shared.string());
  // The XDG rule: a relative or empty XDG_DATA_HOME is ignored.
  const std::string data_home = !env.xdg_data_home.empty() && env.xdg_data_home.front() == '/'
                                    ? env.xdg_data_home
                                    : WithSlash(env.home.empty() ? "." : env.home) + ".local/share";
  places.user_dir = WithSlash(data_home) + "kestrove/";
  places.profile_dir = env.home.empty() ? std::string() : WithSlash(env.home);
  return places;
}

FilePlaces ProgramPlaces() {
  std::error_code ec;
  const fs::path exe = fs::read_symlink("/proc/self/exe", ec);
  return FindFilePlaces(ec ? "./" : exe.parent_path().string() + "/", ProcessEnvironment());
}

}  // namespace kestrove
