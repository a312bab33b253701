#include "util/text.h"

#include <algorithm>
#include <cctype>

namespace kestrove {

size_t Utf8SequenceAt(std::string_view text, size_t at) {
  const unsigned char lead = static_cast<unsigned char>(text[at]);
  if (lead < 0x80) return 1;
  // The second byte's range rules out overlong forms (E0, F0), surrogates
  // (ED) and code points above U+10FFFF (F4); C0, C1 and F5 to FF never
  // start a sequence.
  size_t extra = 0;
  unsigned char low = 0x80, high = 0xbf;
  if (lead >= 0xc2 && lead <= 0xdf) {
    extra = 1;
  } else if (lead >= 0xe0 && lead <= 0xef) {
    extra = 2;
    if (lead == 0xe0) low = 0xa0;
    if (lead == 0xed) high = 0x9f;
  } else if (lead >= 0xf0 && lead <= 0xf4) {
    extra = 3;
    if (lead == 0xf0) low = 0x90;
    if (lead == 0xf4) high = 0x8f;
  } else {
    return 0;
  }
  if (text.size() - at <= extra) return 0;
  for (size_t k = 1; k <= extra; ++k) {
    const unsigned char c = static_cast<unsigned char>(text[at + k]);
    if (c < low || c > high) return 0;
    low = 0x80;
    high = 0xbf;
  }
  return extra + 1;
}

bool IsValidUtf8(std::string_view text) {
  for (size_t i = 0; i < text.size();) {
    const size_t length = Utf8SequenceAt(text, i);
    if (length == 0) return false;
    i += length;
  }
  return true;
}

std::string OneLineUtf8(std::string_view text, char replacement) {
  std::string out;
  out.reserve(text.size());
  for (size_t i = 0; i < text.size();) {
    const char c = text[i];
    if (c == '\r' || c == '\n') {
      out += ' ';
      i += (c == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ? 2 : 1;
      continue;
    }
    const size_t length = Utf8SequenceAt(text, i);
    const unsigned char u = static_cast<unsigned char>(c);
    if (length == 0 || (length == 1 && ((u < 0x20 && c != '\t') || u == 0x7f))) {
      out += replacement;
      ++i;
    } else {
      out.append(text.substr(i, length));
      i += length;
    }
  }
  return out;
}

std::string Lower(std::string text) {
  for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
  return text;
}

std::string Upper(std::string text) {
  for (char& c : text) c = static_cast<char>(std::toupper(static_cast<unsigned char>(c)));
  return text;
}

bool SameText(std::string_view a, std::string_view b) {
  return std::equal(a.begin(), a.end(), b.begin(), b.end(), [](char x, char y) {
    return std::tolower(static_cast<unsigned char>(x)) ==
           std::tolower(static_cast<unsigned char>(y));
  });
}

}  // namespace kestrove
