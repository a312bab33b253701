#include "lookup/mem_data.h"

#include <algorithm>
#include <cstring>
#include <utility>

#include "core/errors.h"

namespace kestrove {

namespace {

constexpr size_t kRecIdSize = sizeof(int32_t);

char UpperAscii(char c) {
  return (c >= 'a' && c <= 'z') ? static_cast<char>(c - 'a' + 'A') : c;
}

bool SameNameIgnoringCase(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (size_t i = 0; i < a.size(); ++i)
    if (UpperAscii(a[i]) != UpperAscii(b[i])) return false;
  return true;
}

int32_t LoadInt32(const char* p) {
  int32_t v;
  std::memcpy(&v, p, sizeof v);
  return v;
}

void StoreInt32(char* p, int32_t v) {
  std::memcpy(p, &v, sizeof v);
}

}  // namespace

TdxMemData::TdxMemData(std::string name, std::vector<TdxFieldDef> fields, bool active)
    : name_(std::move(name)), fields_(std::move(fields)) {
  size_t offset = kRecIdSize;
  for (auto& f : fields_) {
    f.width = std::max<int32_t>(f.width, 0);
    offsets_.push_back(offset);
    offset += kLengthSize + static_cast<size_t>(f.width);
  }
  stride_ = offset;
  swap_.resize(stride_);
  pending_.resize(stride_);
  state_ = active ? State::Browse : State::Inactive;
}

int TdxMemData::FieldIndex(std::string_view name) const {
  for (size_t i = 0; i < fields_.size(); ++i)
    if (SameNameIgnoringCase(fields_[i].name, name)) return static_cast<int>(i);
  return -1;
}

// --- Open and closed ---

void TdxMemData::Open() {
  if (Active()) return;
  state_ = State::Browse;
  cursor_ = -1;
  next_rec_id_ = 1;
  ++layout_;
  Changed();
}

void TdxMemData::Close() {
  data_.clear();
  count_ = 0;
  cursor_ = -1;
  modified_ = false;
  state_ = State::Inactive;
  ++layout_;
  Changed();
}

void TdxMemData::CheckActive() const {
  if (!Active()) throw EListError(name_ + ": Cannot perform this operation on a closed dataset");
}

void TdxMemData::Changed() {
  if (disabled_ == 0 && on_change_) on_change_();
}

void TdxMemData::EnableControls() {
  if (disabled_ > 0 && --disabled_ == 0) Changed();
}

// --- Slots ---

bool TdxMemData::SlotIsSet(const char* slot, size_t offset) {
  return LoadInt32(slot + offset) >= 0;
}

void TdxMemData::SetSlotText(char* slot, size_t offset, int32_t width, std::string_view text) {
  // Values end at their first zero byte, as they do in the files.
  const size_t zero = text.find('\0');
  if (zero != std::string_view::npos) text = text.substr(0, zero);
  if (text.size() > static_cast<size_t>(width)) text = text.substr(0, static_cast<size_t>(width));
  StoreInt32(slot + offset, static_cast<int32_t>(text.size()));
  if (!text.empty()) std::memcpy(slot + offset + kLengthSize, text.data(), text.size());
}

void TdxMemData::InsertSlot(int32_t index, const char* slot) {
  const size_t at = static_cast<size_t>(index) * stride_;
  data_.insert(data_.begin() + static_cast<std::ptrdiff_t>(at), slot, slot + stride_);
  ++count_;
  ++layout_;
}

void TdxMemData::RemoveSlot(int32_t index) {
  const size_t at = static_cast<size_t>(index) * stride_;
  data_.erase(data_.begin() + static_cast<std::ptrdiff_t>(at),
              data_.begin() + static_cast<std::ptrdiff_t>(at + stride_));
  --count_;
  ++layout_;
}

void TdxMemData::SwapSlots(int32_t a, int32_t b) {
  char* pa = Slot(a);
  char* pb = Slot(b);
  std::memcpy(swap_.data(), pa, stride_);
  std::memcpy(pa, pb, stride_);
  std::memcpy(pb, swap_.data(), stride_);
}

// --- Cursor and reads ---

int32_t TdxMemData::RecordCount() const {
  return Active() ? count_ : 0;
}

int32_t TdxMemData::RecNo() const {
  return Active() ? cursor_ : -1;
}

bool TdxMemData::IsEmpty() const {
  return RecordCount() == 0 && state_ != State::Insert;
}

bool TdxMemData::IsFirst() const {
  return cursor_ <= 0;
}

bool TdxMemData::IsLast() const {
  // A pending insert is the row the user is on; it is the last one only when
  // it was appended.
  if (state_ == State::Insert) return cursor_ >= count_;
  return cursor_ >= count_ - 1;
}

void TdxMemData::First() {
  CheckActive();
  Settle();
  cursor_ = count_ > 0 ? 0 : -1;
  Changed();
}

void TdxMemData::Last() {
  CheckActive();
  Settle();
  cursor_ = count_ - 1;
  Changed();
}

void TdxMemData::Next() {
  MoveBy(1);
}

void TdxMemData::Prior() {
  MoveBy(-1);
}

void TdxMemData::MoveBy(int32_t n) {
  CheckActive();
  Settle();
  if (count_ == 0) {
    cursor_ = -1;
    return;
  }
  // Clamped in 64 bits so huge moves cannot overflow.
  const int64_t target = static_cast<int64_t>(cursor_) + n;
  cursor_ = static_cast<int32_t>(std::clamp<int64_t>(target, 0, count_ - 1));
  Changed();
}

std::string_view TdxMemData::CurrentText(int field) const {
  CheckActive();
  if (field < 0 || field >= FieldCount()) return {};
  if (state_ == State::Insert || state_ == State::Edit)
    return SlotText(pending_.data(), offsets_[field]);
  if (cursor_ < 0 || cursor_ >= count_) return {};
  return SlotText(Slot(cursor_), offsets_[field]);
}

std::string TdxMemData::FieldText(std::string_view name) const {
  CheckActive();
  const int field = FieldIndex(name);
  if (field < 0) throw EListError(name_ + ": Field '" + std::string(name) + "' not found");
  return std::string(CurrentText(field));
}

std::string TdxMemData::FieldText(int field) const {
  return std::string(CurrentText(field));
}

bool TdxMemData::FieldIsSet(int field) const {
  CheckActive();
  if (field < 0 || field >= FieldCount()) return false;
  if (state_ == State::Insert || state_ == State::Edit)
    return SlotIsSet(pending_.data(), offsets_[field]);
  if (cursor_ < 0 || cursor_ >= count_) return false;
  return SlotIsSet(Slot(cursor_), offsets_[field]);
}

int32_t TdxMemData::RecId() const {
  CheckActive();
  if (state_ == State::Insert || state_ == State::Edit) return LoadInt32(pending_.data());
  if (cursor_ < 0 || cursor_ >= count_) return 0;
  return LoadInt32(Slot(cursor_));
}

std::string_view TdxMemData::StoredText(int32_t index, int field) const {
  if (index < 0 || index >= RecordCount() || field < 0 || field >= FieldCount()) return {};
  return SlotText(Slot(index), offsets_[field]);
}

bool TdxMemData::StoredIsSet(int32_t index, int field) const {
  if (index < 0 || index >= RecordCount() || field < 0 || field >= FieldCount()) return false;
  return SlotIsSet(Slot(index), offsets_[field]);
}

int32_t TdxMemData::StoredRecId(int32_t index) const {
  if (index < 0 || index >= RecordCount()) return 0;
  return LoadInt32(Slot(index));
}

// --- Editing ---

void TdxMemData::BeginPending(State state, int32_t position) {
  cursor_before_ = cursor_;
  state_ = state;
  modified_ = false;
  cursor_ = position;
}

void TdxMemData::Insert() {
  CheckActive();
  Settle();
  std::memset(pending_.data(), 0, stride_);
  for (size_t offset : offsets_) StoreInt32(pending_.data() + offset, -1);
  BeginPending(State::Insert, count_ > 0 ? std::max<int32_t>(cursor_, 0) : 0);
  Changed();
}

void TdxMemData::Append() {
  CheckActive();
  Settle();
  std::memset(pending_.data(), 0, stride_);
  for (size_t offset : offsets_) StoreInt32(pending_.data() + offset, -1);
  BeginPending(State::Insert, count_);
  Changed();
}

void TdxMemData::Edit() {
  CheckActive();
  if (state_ == State::Insert || state_ == State::Edit) return;
  if (count_ == 0) {
    Append();
    return;
  }
  std::memcpy(pending_.data(), Slot(cursor_), stride_);
  BeginPending(State::Edit, cursor_);
  Changed();
}

void TdxMemData::Post() {
  CheckActive();
  const int sort_field = SortFieldIndex();
  if (state_ == State::Insert) {
    StoreInt32(pending_.data(), next_rec_id_++);
    int32_t at = cursor_;
    if (sort_field >= 0) at = BisectPosition(SlotText(pending_.data(), offsets_[sort_field]));
    InsertSlot(at, pending_.data());
    cursor_ = at;
  } else if (state_ == State::Edit) {
    int32_t at = cursor_;
    const bool moves = sort_field >= 0 && SlotText(pending_.data(), offsets_[sort_field]) !=
                                              SlotText(Slot(cursor_), offsets_[sort_field]);
    if (moves) {
      // Placed among the other records by its new key.
      RemoveSlot(cursor_);
      at = BisectPosition(SlotText(pending_.data(), offsets_[sort_field]));
      InsertSlot(at, pending_.data());
    } else {
      std::memcpy(Slot(at), pending_.data(), stride_);
    }
    cursor_ = at;
  } else {
    return;
  }
  state_ = State::Browse;
  modified_ = false;
  Changed();
}

void TdxMemData::Cancel() {
  if (state_ != State::Insert && state_ != State::Edit) return;
  if (state_ == State::Insert)
    cursor_ = count_ == 0 ? -1 : std::clamp<int32_t>(cursor_before_, 0, count_ - 1);
  state_ = State::Browse;
  modified_ = false;
  Changed();
}

void TdxMemData::Settle() {
  if (state_ != State::Insert && state_ != State::Edit) return;
  if (modified_)
    Post();
  else
    Cancel();
}

void TdxMemData::Delete() {
  CheckActive();
  if (state_ == State::Insert) {
    Cancel();
    return;
  }
  if (state_ == State::Edit) Cancel();
  if (count_ == 0) throw EListError(name_ + ": Cannot perform this operation on an empty dataset");
  RemoveSlot(cursor_);
  cursor_ = count_ == 0 ? -1 : std::min(cursor_, count_ - 1);
  Changed();
}

void TdxMemData::SetFieldText(std::string_view name, std::string_view text) {
  CheckActive();
  const int field = FieldIndex(name);
  if (field < 0) throw EListError(name_ + ": Field '" + std::string(name) + "' not found");
  SetFieldText(field, text);
}

void TdxMemData::SetFieldText(int field, std::string_view text) {
  CheckActive();
  if (state_ != State::Insert && state_ != State::Edit)
    throw EListError(name_ + ": Dataset not in edit or insert mode");
  if (field < 0 || field >= FieldCount()) throw EListError(name_ + ": Field index out of range");
  SetSlotText(pending_.data(), offsets_[field], fields_[field].width, text);
  modified_ = true;
  Changed();
}

void TdxMemData::ClearField(int field) {
  CheckActive();
  if (state_ != State::Insert && state_ != State::Edit)
    throw EListError(name_ + ": Dataset not in edit or insert mode");
  if (field < 0 || field >= FieldCount()) throw EListError(name_ + ": Field index out of range");
  StoreInt32(pending_.data() + offsets_[field], -1);
  modified_ = true;
  Changed();
}

// --- Sorting ---

int TdxMemData::SortFieldIndex() const {
  if (sorted_field_.empty()) return -1;
  return FieldIndex(sorted_field_);
}

void TdxMemData::SetSortOptions(TdxSortOptions options) {
  if (options == sort_options_) return;
  sort_options_ = options;
  Sort();
}

void TdxMemData::SetSortedField(const std::string& name) {
  if (name == sorted_field_) return;
  sorted_field_ = name;
  if (!name.empty()) Sort();
}

int TdxMemData::CompareKeys(std::string_view a, std::string_view b) const {
  const size_t n = std::min(a.size(), b.size());
  int result = 0;
  const bool fold = (sort_options_ & soCaseInsensitive) != 0;
  for (size_t i = 0; i < n && result == 0; ++i) {
    unsigned char ca = static_cast<unsigned char>(fold ? UpperAscii(a[i]) : a[i]);
    unsigned char cb = static_cast<unsigned char>(fold ? UpperAscii(b[i]) : b[i]);
    if (ca != cb) result = ca < cb ? -1 : 1;
  }
  if (result == 0 && a.size() != b.size()) result = a.size() < b.size() ? -1 : 1;
  return (sort_options_ & soDesc) ? -result : result;
}

int32_t TdxMemData::BisectPosition(std::string_view key) const {
  // After the last record whose key is not above `key`, so a record lands
  // behind its equals.
  const size_t offset = offsets_[SortFieldIndex()];
  int32_t lo = 0;
  int32_t hi = count_;
  while (lo < hi) {
    const int32_t mid = lo + (hi - lo) / 2;
    if (CompareKeys(SlotText(Slot(mid), offset), key) <= 0)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

void TdxMemData::Sort() {
  if (!Active()) return;
  const int field = SortFieldIndex();
  if (field < 0) return;
  Settle();
  if (count_ > 1) QuickSort(0, count_ - 1, offsets_[field]);
  Changed();
}

void TdxMemData::QuickSort(int32_t lo, int32_t hi, size_t offset) {
  // Hoare partition around the middle record; equal keys are told apart by
  // position against the pivot's starting position. The smaller part is
  // sorted by recursion and the larger one by the loop, which keeps the
  // stack shallow; the two parts are independent, so the order of work does
  // not change the result.
  std::string pivot;
  while (lo < hi) {
    const int32_t p = lo + (hi - lo) / 2;
    const std::string_view pk = SlotText(Slot(p), offset);
    pivot.assign(pk.data(), pk.size());
    int32_t i = lo;
    int32_t j = hi;
    do {
      for (;;) {
        const int c = CompareKeys(SlotText(Slot(i), offset), pivot);
        if (c < 0 || (c == 0 && i < p))
          ++i;
        else
          break;
      }
      for (;;) {
        const int c = CompareKeys(SlotText(Slot(j), offset), pivot);
        if (c > 0 || (c == 0 && j > p))
          --j;
        else
          break;
      }
      if (i <= j) {
        if (i != j) SwapSlots(i, j);
        ++i;
        --j;
      }
    } while (i <= j);
    if (j - lo < hi - i) {
      if (lo < j) QuickSort(lo, j, offset);
      lo = i;
    } else {
      if (i < hi) QuickSort(i, hi, offset);
      hi = j;
    }
  }
}

// --- Bulk loading ---

void TdxMemData::ResetForLoad() {
  const int saved = disabled_;
  ++disabled_;
  Close();
  Open();
  disabled_ = saved;
}

void TdxMemData::Reserve(int32_t count) {
  if (count > 0) data_.reserve(static_cast<size_t>(count) * stride_);
  ++layout_;
}

void TdxMemData::AppendLoaded(std::span<const std::optional<std::string_view>> values) {
  const size_t at = data_.size();
  data_.resize(at + stride_);
  char* slot = data_.data() + at;
  StoreInt32(slot, next_rec_id_++);
  for (size_t f = 0; f < fields_.size(); ++f) {
    if (f < values.size() && values[f])
      SetSlotText(slot, offsets_[f], fields_[f].width, *values[f]);
    else
      StoreInt32(slot + offsets_[f], -1);
  }
  ++count_;
  ++layout_;
}

void TdxMemData::FinishLoad() {
  Sort();
  cursor_ = count_ > 0 ? 0 : -1;
  Changed();
}

}  // namespace kestrove
