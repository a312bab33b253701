// Appends to the end of a std::string without the string's own bookkeeping
// for each character: the string is grown in blocks ahead of what is
// written, each append is a plain copy into it, and Finish (or the end of the
// TextOut) cuts it back to what was written. Until then the string's size()
// is not the text's: read the text through the TextOut.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace kestrove {

class TextOut {
 public:
  explicit TextOut(std::string& text)
      : text_(text), begin_(text.data()), at_(begin_ + text.size()), end_(at_) {}
  // Writes from `at` on: what the string holds past it is room, written
  // over.
  TextOut(std::string& text, size_t at)
      : text_(text), begin_(text.data()), at_(begin_ + at), end_(begin_ + text.size()) {}
  ~TextOut() { Finish(); }
  TextOut(const TextOut&) = delete;
  TextOut& operator=(const TextOut&) = delete;

  size_t size() const { return static_cast<size_t>(at_ - begin_); }
  bool empty() const { return at_ == begin_; }
  const char* data() const { return begin_; }

  TextOut& operator+=(char c) {
    if (at_ == end_) Grow(1);
    *at_++ = c;
    return *this;
  }
  TextOut& operator+=(std::string_view text) { return append(text.data(), text.size()); }
  TextOut& append(const char* text, size_t n) {
    if (static_cast<size_t>(end_ - at_) < n) Grow(n);
    if (n <= 16)
      CopyShort(at_, text, n);
    else
      std::memcpy(at_, text, n);
    at_ += n;
    return *this;
  }

  // Up to four characters, written as one: `four` holds them, and what
  // follows the first `n` is written past the text and not counted.
  void AppendShort(const char (&four)[4], size_t n) {
    if (end_ - at_ < 4) Grow(4);
    std::memcpy(at_, four, 4);
    at_ += n;
  }

  // The string holds the text written and no more.
  void Finish() {
    if (end_ == at_ && text_.size() == size()) return;
    text_.resize(size());
    begin_ = text_.data();
    at_ = end_ = begin_ + text_.size();
  }

 private:
  // Most values are names and words of a few characters: copied in place,
  // with at most two overlapping loads and stores of 8 or 4 bytes, reading
  // only the n bytes of the text.
  static void CopyShort(char* to, const char* from, size_t n) {
    if (n >= 8) {
      uint64_t head, tail;
      std::memcpy(&head, from, 8);
      std::memcpy(&tail, from + n - 8, 8);
      std::memcpy(to, &head, 8);
      std::memcpy(to + n - 8, &tail, 8);
    } else if (n >= 4) {
      uint32_t head, tail;
      std::memcpy(&head, from, 4);
      std::memcpy(&tail, from + n - 4, 4);
      std::memcpy(to, &head, 4);
      std::memcpy(to + n - 4, &tail, 4);
    } else if (n > 0) {
      to[0] = from[0];
      to[n / 2] = from[n / 2];
      to[n - 1] = from[n - 1];
    }
  }
  // A record's values rarely pass this; a longer text grows again.
  static constexpr size_t kBlock = 256;
  void Grow(size_t n) {
    const size_t used = size();
    text_.resize(used + n + kBlock);
    begin_ = text_.data();
    at_ = begin_ + used;
    end_ = begin_ + text_.size();
  }

  std::string& text_;
  char* begin_;
  char* at_;
  char* end_;
};

}  // namespace kestrove
