// Keys that hold: the hook through which a run has each record's key values
// checked before the record is sent, and the pieces a guard is built of (a
// set of the combinations made, a sampler of distinct index combinations,
// the number of values a choice can make).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "core/errors.h"
#include "core/field_types.h"
#include "core/profile.h"

namespace kestrove {

// A key cannot take the records asked of it, or a Database Lookup has no row
// to give. The message names the table, the key's columns and the records
// made and asked; it is the whole message (no table and record need adding).
class EKeyError : public KestroveError {
 public:
  using KestroveError::KestroveError;
};

// The values of the record under way, by field slot.
class RecordValues {
 public:
  virtual ~RecordValues() = default;
  virtual std::string_view Value(int field) const = 0;
  virtual void Set(int field, std::string_view value) = 0;
  // True for a field whose value is NULL.
  virtual bool IsNull(int field) const {
    (void)field;
    return false;
  }
};

// Asked by the run for every record when set (GenerationRun::Guard). The
// window never sets one, so its statements stay as they are.
class RecordGuard {
 public:
  virtual ~RecordGuard() = default;
  // Before anything of the run is sent: slots 0..last, visited in `order`.
  // Raises EKeyError for a count that cannot be met.
  virtual void RunStarting(const std::vector<int>& order) = 0;
  // A table's turn, after its Delete and before its first record.
  virtual void TableStarting(int slot, TTableStruct& table, int32_t count) = 0;
  // True for a field whose values the guard sets itself in Admit: the run
  // does not generate it.
  virtual bool Supplies(int field) const = 0;
  // The record's values are made. True admits them (they count as taken
  // from then on); false asks for the fields in `redraw` to be drawn again
  // (kWholeRecord: all of them, the record scratch cleared) and the record
  // to be offered again. Raises EKeyError once no new value has been found
  // in a bounded number of draws.
  virtual bool Admit(int32_t record, RecordValues& values, std::vector<int>& redraw) = 0;
  static constexpr int kWholeRecord = -1;
};

// A set of 64-bit digests of key combinations, open addressing. A digest
// stands for its combination: two different combinations with one digest
// only make the second be drawn again, never let a repeat through.
class DigestSet {
 public:
  // False when `digest` was already in.
  bool Insert(uint64_t digest);
  bool Contains(uint64_t digest) const;
  size_t Size() const { return size_; }
  size_t MemoryBytes() const { return slots_.capacity() * sizeof(uint64_t); }
  void Clear();

 private:
  void Grow();
  std::vector<uint64_t> slots_;  // 0 marks a free slot; digest 0 is kept aside
  size_t size_ = 0;
  bool has_zero_ = false;
};

// Digest of a combination of normalised values, in key order.
uint64_t DigestOf(const std::vector<std::string>& parts);

// Draws distinct indexes of [0, Size()) uniformly, each at most once, in
// constant time per draw: a Fisher-Yates shuffle over a virtual array that
// keeps only the places moved so far. Used for keys made of Database
// Lookups, whose combinations are the indexes of a mixed-radix space.
class DistinctSampler {
 public:
  // `draws`: about how many indexes will be drawn or taken out. Where that
  // is a good share of the space, the places are kept in two plain arrays
  // (8 bytes an index) instead of hash maps (about 64 bytes a draw).
  explicit DistinctSampler(uint64_t size = 0, uint64_t draws = 0);
  uint64_t Size() const { return size_; }
  size_t MemoryBytes() const {
    return (moved_.capacity() + where_.capacity()) * 16 +
           (dense_at_.capacity() + dense_where_.capacity()) * 4;
  }
  // Indexes not drawn or taken out yet.
  uint64_t Left() const { return size_ - next_; }
  // Takes `index` out (an existing combination); false when already out.
  bool TakeOut(uint64_t index);
  // The index at `offset` of those left (0 <= offset < Left()), taken:
  // with `offset` uniform, a uniform draw among the indexes left. The
  // caller draws the offset from the run's random source.
  uint64_t Take(uint64_t offset);

 private:
  uint64_t At(uint64_t place) const;
  void Put(uint64_t place, uint64_t value);
  uint64_t size_;
  uint64_t next_ = 0;
  // place -> value, for the places whose value is not their own index, and
  // value -> place for the same, so an existing value can be found.
  std::vector<std::pair<uint64_t, uint64_t>> moved_, where_;  // flat hash maps
  size_t moved_count_ = 0, where_count_ = 0;
  std::vector<uint32_t> dense_at_, dense_where_;  // the arrays, when dense
  bool dense_ = false;
  uint64_t* Find(std::vector<std::pair<uint64_t, uint64_t>>& map, size_t& count, uint64_t key,
                 bool insert);
  const uint64_t* Lookup(const std::vector<std::pair<uint64_t, uint64_t>>& map, uint64_t key) const;
};

// How many distinct values a field's choice can make, as far as its code and
// parameters say: a Fixed Value 1, a Choice its items, Random From-To the
// range, a Random boolean 2; nullopt where it cannot be told (unbounded for
// the purpose of a key). Database Lookups are counted by the guard itself.
std::optional<uint64_t> ChoiceCapacity(const TFieldStruct& field);

// True for the Counter choices (text and integer), which share one count
// per table.
bool IsCounterCode(int32_t code);
// True for the Database Lookup codes of the four families.
constexpr bool IsLookupCode(int32_t code) {
  return code == 14 || code == 207 || code == 302 || code == 502 || code == kBigintLookup;
}

// "table T has two Counters (a, b): they share one count ..." for every
// table of slots 0..table_count with more than one Counter field.
std::vector<std::string> SharedCounterWarnings(const ProfileState& state, int32_t table_count);

}  // namespace kestrove
