// Profile files: the whole profile as text, one value per line, CR LF line
// ends. Line 1 is the number N of tables listed; N + 1 table blocks follow.
#pragma once

#include <cstdint>
#include <string>

#include "core/profile.h"

namespace kestrove {

constexpr int kTableBlockLines = 3 + kMaxFields * 7;  // 1795

// The file image for a profile saved with `table_count` tables listed.
// Raises EProfileError when the count leaves no room (100 or more, or
// negative) or a text would break the line structure (a line break in it).
std::string ProfileFileImage(const ProfileState& state, int32_t table_count);

// Writes the image to `path`, replacing the file only once the new one is
// wholly written. Raises EInOutError when the file cannot be written.
void SaveProfileFile(const ProfileState& state, int32_t table_count, const std::string& path);

// Reads a profile file into the profile and returns its table count N.
// Nothing changes when the file cannot be read (EInOutError) or holds more
// tables than the profile has room for (EProfileError). Otherwise the
// profile is cleared and filled slot by slot; a line that should hold an
// integer and does not raises "'%s' is not a valid integer value", and a
// line that holds a NUL byte (which would cut a statement short at the
// driver) raises EProfileError naming the line, either leaving the slots
// read so far filled and the rest cleared. When `line` is given it receives
// the number (from 1) of the line read last, the one at fault after an error.
int32_t LoadProfileFile(ProfileState& state, const std::string& path, int64_t* line = nullptr);

// The whole file as it stands; raises EInOutError when it cannot be opened
// or read.
std::string ReadProfileFile(const std::string& path);

// The same from an image in memory.
int32_t LoadProfileImage(ProfileState& state, const std::string& image, int64_t* line = nullptr);

}  // namespace kestrove
