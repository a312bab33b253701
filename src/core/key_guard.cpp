#include "core/key_guard.h"

#include <algorithm>
#include <charconv>

#include "core/field_types.h"

namespace kestrove {

namespace {

uint64_t Mix(uint64_t x) {
  // splitmix64's finaliser: every input bit reaches every output bit.
  x ^= x >> 30;
  x *= 0xbf58476d1ce4e5b9ull;
  x ^= x >> 27;
  x *= 0x94d049bb133111ebull;
  x ^= x >> 31;
  return x;
}

std::optional<int64_t> WholeNumber(const std::string& text) {
  int64_t value = 0;
  const char* end = text.data() + text.size();
  const auto [ptr, ec] = std::from_chars(text.data(), end, value);
  if (ec != std::errc() || ptr != end) return std::nullopt;
  return value;
}

std::optional<uint64_t> RangeSize(const std::string& from, const std::string& to) {
  const auto lo = WholeNumber(from), hi = WholeNumber(to);
  if (!lo || !hi) return std::nullopt;
  if (*hi < *lo) return 1;
  return static_cast<uint64_t>(*hi - *lo) + 1;
}

}  // namespace

bool DigestSet::Insert(uint64_t digest) {
  if (digest == 0) {
    const bool added = !has_zero_;
    has_zero_ = true;
    size_ += added;
    return added;
  }
  if ((size_ + 1) * 4 >= slots_.size() * 3) Grow();
  const size_t mask = slots_.size() - 1;
  for (size_t i = Mix(digest) & mask;; i = (i + 1) & mask) {
    if (slots_[i] == digest) return false;
    if (slots_[i] == 0) {
      slots_[i] = digest;
      ++size_;
      return true;
    }
  }
}

bool DigestSet::Contains(uint64_t digest) const {
  if (digest == 0) return has_zero_;
  if (slots_.empty()) return false;
  const size_t mask = slots_.size() - 1;
  for (size_t i = Mix(digest) & mask;; i = (i + 1) & mask) {
    if (slots_[i] == digest) return true;
    if (slots_[i] == 0) return false;
  }
}

void DigestSet::Clear() {
  slots_.clear();
  slots_.shrink_to_fit();
  size_ = 0;
  has_zero_ = false;
}

void DigestSet::Grow() {
  std::vector<uint64_t> old = std::move(slots_);
  slots_.assign(old.empty() ? 1024 : old.size() * 2, 0);
  const size_t mask = slots_.size() - 1;
  for (const uint64_t digest : old) {
    if (digest == 0) continue;
    size_t i = Mix(digest) & mask;
    while (slots_[i] != 0) i = (i + 1) & mask;
    slots_[i] = digest;
  }
}

uint64_t DigestOf(const std::vector<std::string>& parts) {
  // FNV-1a over the parts with a separator that no part's length can fake,
  // then mixed.
  uint64_t h = 0xcbf29ce484222325ull;
  for (const std::string& part : parts) {
    for (const char c : part) h = (h ^ static_cast<unsigned char>(c)) * 0x100000001b3ull;
    h = (h ^ (part.size() + 0x9e37)) * 0x100000001b3ull;
  }
  return Mix(h);
}

uint64_t* DistinctSampler::Find(std::vector<std::pair<uint64_t, uint64_t>>& map, size_t& count,
                                uint64_t key, bool insert) {
  if (insert && (count + 1) * 2 >= map.size()) {
    std::vector<std::pair<uint64_t, uint64_t>> old = std::move(map);
    map.assign(old.empty() ? 64 : old.size() * 2, {UINT64_MAX, 0});
    count = 0;
    for (const auto& [k, v] : old)
      if (k != UINT64_MAX) *Find(map, count, k, true) = v;
  }
  if (map.empty()) return nullptr;
  const size_t mask = map.size() - 1;
  for (size_t i = Mix(key) & mask;; i = (i + 1) & mask) {
    if (map[i].first == key) return &map[i].second;
    if (map[i].first == UINT64_MAX) {
      if (!insert) return nullptr;
      map[i].first = key;
      ++count;
      return &map[i].second;
    }
  }
}

const uint64_t* DistinctSampler::Lookup(const std::vector<std::pair<uint64_t, uint64_t>>& map,
                                        uint64_t key) const {
  if (map.empty()) return nullptr;
  const size_t mask = map.size() - 1;
  for (size_t i = Mix(key) & mask;; i = (i + 1) & mask) {
    if (map[i].first == key) return &map[i].second;
    if (map[i].first == UINT64_MAX) return nullptr;
  }
}

DistinctSampler::DistinctSampler(uint64_t size, uint64_t draws) : size_(size) {
  dense_ = size > 0 && size <= UINT32_MAX && size / 16 <= draws;
  if (!dense_) return;
  dense_at_.resize(size);
  dense_where_.resize(size);
  for (uint64_t i = 0; i < size; ++i) dense_at_[i] = dense_where_[i] = static_cast<uint32_t>(i);
}

uint64_t DistinctSampler::At(uint64_t place) const {
  if (dense_) return dense_at_[place];
  const uint64_t* value = Lookup(moved_, place);
  return value ? *value : place;
}

void DistinctSampler::Put(uint64_t place, uint64_t value) {
  if (dense_) {
    dense_at_[place] = static_cast<uint32_t>(value);
    dense_where_[value] = static_cast<uint32_t>(place);
    return;
  }
  *Find(moved_, moved_count_, place, true) = value;
  *Find(where_, where_count_, value, true) = place;
}

bool DistinctSampler::TakeOut(uint64_t index) {
  if (index >= size_) return false;
  const uint64_t* moved = dense_ ? nullptr : Lookup(where_, index);
  const uint64_t place = dense_ ? dense_where_[index] : moved ? *moved : index;
  if (place < next_) return false;
  // Swapped into the drawn front, so the rest stays a uniform pool.
  const uint64_t front = At(next_);
  Put(place, front);
  Put(next_, index);
  ++next_;
  return true;
}

uint64_t DistinctSampler::Take(uint64_t offset) {
  const uint64_t place = next_ + offset;
  const uint64_t value = At(place);
  Put(place, At(next_));
  Put(next_, value);
  ++next_;
  return value;
}

bool IsCounterCode(int32_t code) {
  return code == 2 || code == 206;
}

std::optional<uint64_t> ChoiceCapacity(const TFieldStruct& field) {
  switch (field.ChoiceCode) {
    case 65:  // Blank
    case 200:
    case 300:
    case 400:
    case 500:
    case 600:
    case 700:
    case 800:
      return 1;
    case 3:  // Number, Integer
      return RangeSize(field.Param1, field.Param2);
    case 201: {
      const auto size = RangeSize(field.Param1, field.Param2);
      // An empty or unreadable range ends the run with its own error.
      return size;
    }
    case 401:
    case 402:
    case 403:
    case 404:
      return 2;
    case 15: {
      // The generator keeps items 1 to 16; a later item takes slot 16.
      std::string list = field.Param1;
      if (list.empty()) return 1;
      if (list.back() == ';') list.pop_back();
      std::vector<std::string> items;
      size_t begin = 0;
      for (int used = 0;; ++used) {
        const size_t end = list.find(';', begin);
        const std::string item = list.substr(begin, end == std::string::npos ? end : end - begin);
        if (used < 16)
          items.push_back(item);
        else
          items.back() = item;
        if (end == std::string::npos) break;
        begin = end + 1;
      }
      std::sort(items.begin(), items.end());
      return static_cast<uint64_t>(std::unique(items.begin(), items.end()) - items.begin());
    }
    default:
      return std::nullopt;
  }
}

std::vector<std::string> SharedCounterWarnings(const ProfileState& state, int32_t table_count) {
  std::vector<std::string> warnings;
  const int32_t last = std::min<int32_t>(table_count, kMaxTables - 1);
  for (int slot = 0; slot <= last; ++slot) {
    const TTableStruct& table = state.Tables[slot];
    if (table.TableName.empty()) continue;
    std::vector<std::string> names;
    for (const TFieldStruct& field : table.Fields) {
      const int32_t code = field.ChoiceBase != 0 ? ChoiceCodeOf(field.ChoiceBase, field.Param3Index)
                                                 : field.ChoiceCode;
      if (IsCounterCode(code)) names.push_back(field.FieldName);
    }
    if (names.size() < 2) continue;
    std::string list;
    for (size_t i = 0; i < names.size(); ++i) list += (i ? ", " : "") + names[i];
    warnings.push_back("table " + table.TableName + " has " + std::to_string(names.size()) +
                       " Counters (" + list +
                       "): they share one count, so each record takes the next number for each "
                       "of them in turn (1, 3, 5 ... and 2, 4, 6 ...)");
  }
  return warnings;
}

}  // namespace kestrove
