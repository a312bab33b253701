// Text helpers every layer may use. Text is bytes in the engine; these only
// look at it.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace kestrove {

// True when `text` is well-formed UTF-8: no overlong form, no surrogate
// (U+D800 to U+DFFF), nothing above U+10FFFF, no sequence cut short and no
// stray continuation byte. A TOML file holds such text only.
bool IsValidUtf8(std::string_view text);

// The length of the well-formed UTF-8 sequence at `text[at]` (1 to 4), or 0
// where none starts there.
size_t Utf8SequenceAt(std::string_view text, size_t at);

// `text` made one line of valid UTF-8 for a comment: each line break (CR,
// LF or CR LF) becomes a blank, and every other control character and every
// byte that is not part of a well-formed sequence becomes `replacement`.
std::string OneLineUtf8(std::string_view text, char replacement = '?');

// `text` with its letters in lower (upper) case, byte by byte as the C
// library's tolower (toupper) sees them.
std::string Lower(std::string text);
std::string Upper(std::string text);

// True when `a` and `b` are the same text but for the case of letters, as
// database names compare.
bool SameText(std::string_view a, std::string_view b);

}  // namespace kestrove
