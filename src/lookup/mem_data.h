// The list store: an in-memory list of short fixed-width text records with a
// cursor, the editing operations the list editors use, and sorting.
//
// Records live in one contiguous block, one fixed-size slot per record, so the
// cursor is a plain index and a positioned read costs the same wherever it
// lands.
#pragma once

#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "core/lookup_ids.h"

namespace kestrove {

// Sort options of a list, a small set.
enum TdxSortOption : uint8_t {
  soCaseInsensitive = 1u << 0,  // letters a..z compare as A..Z
  soDesc = 1u << 1,             // descending order
};
using TdxSortOptions = uint8_t;

// One text field: its name and its width in characters. The data size the
// list files carry for it is width + 1.
struct TdxFieldDef {
  std::string name;
  int32_t width = 0;
};

class TdxMemData {
 public:
  enum class State { Inactive, Browse, Insert, Edit };

  // `fields` in their order, without the hidden RecId. A list starts empty,
  // open unless `active` is false.
  TdxMemData(std::string name, std::vector<TdxFieldDef> fields, bool active = true);

  const std::string& Name() const { return name_; }

  // --- Fields ---
  int FieldCount() const { return static_cast<int>(fields_.size()); }
  const TdxFieldDef& Field(int index) const { return fields_.at(index); }
  // Index of the field of that name, ignoring the case of ASCII letters; -1
  // when there is none. RecId is not a field here.
  int FieldIndex(std::string_view name) const;

  // --- Open and closed ---
  bool Active() const { return state_ != State::Inactive; }
  // Opens an empty list (records numbered from 1 again); no-op when open.
  void Open();
  // Drops every record and any pending change.
  void Close();

  // --- Cursor and reads (a closed list raises EListError) ---
  // Stored records; 0 for a closed list, never raises. A pending insert is
  // not counted until it is posted.
  int32_t RecordCount() const;
  // Cursor position, 0-based; -1 when the list is empty or closed. During an
  // insert it is the position the new record occupies.
  int32_t RecNo() const;
  bool IsEmpty() const;
  bool IsFirst() const;  // cursor on the first record (or nothing to move to)
  bool IsLast() const;   // cursor on the last record (or nothing to move to)
  void First();
  void Last();
  void Next();
  void Prior();
  // Moves n records on (back for a negative n), stopping at either end.
  void MoveBy(int32_t n);
  // Text of a field of the current record; empty when the list has no
  // record or the value is unset.
  std::string FieldText(std::string_view name) const;
  std::string FieldText(int field) const;
  bool FieldIsSet(int field) const;
  // Hidden record number of the current record; 0 when there is none.
  int32_t RecId() const;

  // The text of a field of the record `position` records on from the first,
  // kept within the list (past the end reads the last record); empty for an
  // empty list. Raises on a closed list. The cursor stays where it is: this
  // is the read behind the generators' random picks.
  std::string_view PickText(int32_t position, int field) const {
    if (!Active()) CheckActive();
    if (count_ == 0 || field < 0 || static_cast<size_t>(field) >= offsets_.size()) return {};
    const int32_t index = position < 0 ? 0 : position >= count_ ? count_ - 1 : position;
    return SlotText(Slot(index), offsets_[static_cast<size_t>(field)]);
  }

  // The field's records as a block of slots (see ListSlots); not Current()
  // for a closed list or a field out of range.
  ListSlots Slots(int field) const {
    if (!Active() || field < 0 || static_cast<size_t>(field) >= offsets_.size()) return {};
    return {data_.data() + offsets_[static_cast<size_t>(field)], stride_, count_, &layout_,
            layout_};
  }

  // Positioned reads that leave the cursor alone (the grid's view and the
  // writer). `index` is 0..RecordCount()-1.
  std::string_view StoredText(int32_t index, int field) const;
  bool StoredIsSet(int32_t index, int field) const;
  int32_t StoredRecId(int32_t index) const;

  // --- Editing ---
  State GetState() const { return state_; }
  bool Modified() const { return modified_; }
  // A new empty record before the current one, made current.
  void Insert();
  // A new empty record after the last one, made current.
  void Append();
  // Starts changing the current record (an empty list starts an append).
  void Edit();
  // Stores the pending insert or edit.
  void Post();
  // Drops the pending insert or edit.
  void Cancel();
  // Deletes the current record (a pending insert is just dropped).
  void Delete();
  // Sets a field of the pending record, cut at a zero byte and to the
  // field's width. Raises unless an insert or edit is pending.
  void SetFieldText(std::string_view name, std::string_view text);
  void SetFieldText(int field, std::string_view text);
  void ClearField(int field);  // back to unset

  // --- Sorting ---
  TdxSortOptions SortOptions() const { return sort_options_; }
  void SetSortOptions(TdxSortOptions options);
  const std::string& SortedField() const { return sorted_field_; }
  // A name other than the present one sorts at once and keeps the list in
  // that order from then on; empty text ends it and leaves the order alone.
  void SetSortedField(const std::string& name);
  // Sorts by the field named in SortedField (no-op when closed or unnamed).
  void Sort();

  // --- Change notifications (the editor's grid) ---
  void SetOnChange(std::function<void()> callback) { on_change_ = std::move(callback); }
  void DisableControls() { ++disabled_; }
  void EnableControls();

  // --- Bulk loading (the list file reader) ---
  // Closes and reopens the list: no records, no pending change, numbering
  // from 1. Then AppendLoaded adds records at the end without placing them.
  void ResetForLoad();
  // Appends one record: `values[f]` for field f, nullopt for unset; each
  // value is cut at a zero byte and to the width.
  void AppendLoaded(std::span<const std::optional<std::string_view>> values);
  // Puts the cursor on the first record, after a load.
  void FinishLoad();
  // Reserves room for about `count` records.
  void Reserve(int32_t count);

 private:
  // Slot layout: RecId (4 bytes), then per field a length (4 bytes, -1 for
  // unset) and width bytes of text.
  static constexpr size_t kLengthSize = sizeof(int32_t);
  char* Slot(int32_t index) { return data_.data() + static_cast<size_t>(index) * stride_; }
  const char* Slot(int32_t index) const {
    return data_.data() + static_cast<size_t>(index) * stride_;
  }
  static std::string_view SlotText(const char* slot, size_t offset) {
    int32_t len;
    std::memcpy(&len, slot + offset, sizeof len);
    if (len <= 0) return {};
    return {slot + offset + kLengthSize, static_cast<size_t>(len)};
  }
  static void SetSlotText(char* slot, size_t offset, int32_t width, std::string_view text);
  static bool SlotIsSet(const char* slot, size_t offset);
  std::string_view CurrentText(int field) const;
  void CheckActive() const;
  void Changed();
  // Posts the pending change when something was changed, cancels it
  // otherwise; the step before any cursor move.
  void Settle();
  void BeginPending(State state, int32_t position);
  void InsertSlot(int32_t index, const char* slot);
  void RemoveSlot(int32_t index);
  // Position a record with key `key` takes among the stored records.
  int32_t BisectPosition(std::string_view key) const;
  int CompareKeys(std::string_view a, std::string_view b) const;
  void QuickSort(int32_t lo, int32_t hi, size_t offset);
  void SwapSlots(int32_t a, int32_t b);
  int SortFieldIndex() const;

  std::string name_;
  std::vector<TdxFieldDef> fields_;
  std::vector<size_t> offsets_;  // offset of each field's length in a slot
  size_t stride_ = 0;
  std::vector<char> data_;  // RecordCount() slots
  int32_t count_ = 0;
  int32_t cursor_ = -1;
  int32_t next_rec_id_ = 1;
  State state_ = State::Browse;
  // The pending insert or edit: its slot and whether a field was assigned.
  std::vector<char> pending_;
  bool modified_ = false;
  int32_t cursor_before_ = -1;  // where a cancelled insert returns to
  TdxSortOptions sort_options_ = 0;
  std::string sorted_field_;
  std::function<void()> on_change_;
  int disabled_ = 0;
  std::vector<char> swap_;  // scratch slot for exchanges
  // Changed whenever the block of slots may move, the record count changes,
  // or the list opens or closes: what makes a ListSlots view stale.
  uint32_t layout_ = 0;
};

// Suspends a list's change notifications while it lives, so that an
// exception in between cannot leave them suspended for good.
class ControlsDisabled {
 public:
  explicit ControlsDisabled(TdxMemData& list) : list_(list) { list_.DisableControls(); }
  ~ControlsDisabled() {
    // The count is back down before the view is told; a view that fails
    // then catches up at the list's next change.
    try {
      list_.EnableControls();
    } catch (...) {
    }
  }
  ControlsDisabled(const ControlsDisabled&) = delete;
  ControlsDisabled& operator=(const ControlsDisabled&) = delete;

 private:
  TdxMemData& list_;
};

}  // namespace kestrove
