// Random and mutated list files against the reader: it must never crash,
// never hang and never allocate more than a small multiple of the file's own
// size, whatever sizes and counts the file claims.

#include <gtest/gtest.h>
#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>
#include <random>

#include "lookup/list_file.h"
#include "lookup/list_test_util.h"

// Allocation accounting for this test program: while tracking is on, the
// peak of live heap bytes above the level at the start is recorded.
namespace {
std::atomic<bool> g_tracking{false};
std::atomic<int64_t> g_live{0};
std::atomic<int64_t> g_peak{0};

void* Allocate(size_t size) {
  void* p = std::malloc(size == 0 ? 1 : size);
  if (!p) throw std::bad_alloc();
  if (g_tracking.load(std::memory_order_relaxed)) {
    const int64_t live = g_live += static_cast<int64_t>(malloc_usable_size(p));
    int64_t peak = g_peak.load(std::memory_order_relaxed);
    while (live > peak && !g_peak.compare_exchange_weak(peak, live)) {
    }
  }
  return p;
}

void Release(void* p) {
  if (!p) return;
  if (g_tracking.load(std::memory_order_relaxed))
    g_live -= static_cast<int64_t>(malloc_usable_size(p));
  std::free(p);
}
}  // namespace

void* operator new(size_t size) {
  return Allocate(size);
}
void* operator new[](size_t size) {
  return Allocate(size);
}
void operator delete(void* p) noexcept {
  Release(p);
}
void operator delete[](void* p) noexcept {
  Release(p);
}
void operator delete(void* p, size_t) noexcept {
  Release(p);
}
void operator delete[](void* p, size_t) noexcept {
  Release(p);
}

namespace kestrove {
namespace {

using testing::Desc;
using testing::I32;
using testing::Text;
using testing::VersionHeader;

// Peak extra heap while parsing `image` into `list`.
int64_t ParsePeak(TdxMemData& list, const std::string& image) {
  g_live = 0;
  g_peak = 0;
  g_tracking = true;
  ParseListImage(list, image);
  (void)InspectListImage(image);
  g_tracking = false;
  return g_peak.load();
}

// The list's state after any load: open, values within their widths, records
// numbered from 1, cursor on the first record.
void CheckLoadedList(const TdxMemData& list) {
  ASSERT_TRUE(list.Active());
  for (int32_t r = 0; r < list.RecordCount(); ++r) {
    ASSERT_EQ(list.StoredRecId(r), r + 1);
    for (int f = 0; f < list.FieldCount(); ++f) {
      const std::string_view v = list.StoredText(r, f);
      ASSERT_LE(v.size(), static_cast<size_t>(list.Field(f).width));
      ASSERT_EQ(v.find('\0'), std::string_view::npos);
    }
  }
  ASSERT_EQ(list.RecNo(), list.RecordCount() > 0 ? 0 : -1);
}

std::vector<std::string> Seeds() {
  std::string towns = VersionHeader() + I32(4) + Desc("PostCode", 3) + Desc("Extra", 9) +
                      Desc("Flag", 2, 5) + Desc("Town", 25);
  std::string surnames = VersionHeader() + I32(1) + Desc("Surname", 17);
  std::string v0 = I32(2) + Desc("Count", 4, 3) + Desc("Town", 25);
  for (int i = 0; i < 20; ++i) {
    const std::string n = std::to_string(i);
    towns += Text("P" + n) + Text("extra") + std::string(3, '\x01') + Text("Town " + n);
    surnames += Text("Surname" + n);
    v0 += I32(i) + Text("Place " + n);
  }
  return {towns, surnames, v0};
}

std::string Mutate(std::string s, std::mt19937& rng) {
  auto pick = [&](size_t n) { return n == 0 ? 0 : static_cast<size_t>(rng() % n); };
  static const int32_t kInts[] = {0,     1,         -1,        2,      255,    256,
                                  65535, INT32_MAX, INT32_MIN, 0x7FFF, 1 << 24};
  const int steps = 1 + static_cast<int>(rng() % 4);
  for (int k = 0; k < steps; ++k) {
    switch (rng() % 6) {
      case 0:  // truncate
        s.resize(pick(s.size() + 1));
        break;
      case 1:  // flip bytes
        for (int j = 0; j < 1 + static_cast<int>(rng() % 8) && !s.empty(); ++j)
          s[pick(s.size())] = static_cast<char>(rng());
        break;
      case 2:  // plant an extreme count or size
        if (s.size() >= 4) {
          const std::string v = I32(kInts[pick(std::size(kInts))]);
          s.replace(pick(s.size() - 3), 4, v);
        }
        break;
      case 3:  // insert random bytes
        s.insert(pick(s.size() + 1), std::string(1 + pick(16), static_cast<char>(rng())));
        break;
      case 4:  // duplicate a slice
        if (!s.empty()) {
          const size_t at = pick(s.size());
          s.insert(pick(s.size() + 1), s.substr(at, 1 + pick(64)));
        }
        break;
      default:  // remove a slice
        if (!s.empty()) s.erase(pick(s.size()), 1 + pick(32));
    }
  }
  return s;
}

// The reader's allocations are bounded by a small multiple of the file size
// (records and descriptors each take a few bytes of the file) plus a little
// fixed overhead; a size or count trusted from the file would blow this.
int64_t Bound(const std::string& image) {
  return 96 * static_cast<int64_t>(image.size()) + 65536;
}

TEST(ListFileFuzzTest, MutatedFilesNeverCrashHangOrOverAllocate) {
  std::mt19937 rng(20240611);
  const std::vector<std::string> seeds = Seeds();
  int loaded_some = 0;
  for (int i = 0; i < 6000; ++i) {
    const std::string image = Mutate(seeds[i % seeds.size()], rng);
    TdxMemData list = i % 2 ? testing::TownList() : testing::SurnameList();
    const int64_t peak = ParsePeak(list, image);
    ASSERT_LE(peak, Bound(image)) << "case " << i << ", " << image.size() << " bytes";
    CheckLoadedList(list);
    if (list.RecordCount() > 0) ++loaded_some;
  }
  EXPECT_GT(loaded_some, 100);  // the mutations do not merely destroy the files
}

TEST(ListFileFuzzTest, RandomBytesNeverCrashHangOrOverAllocate) {
  std::mt19937 rng(99);
  for (int i = 0; i < 3000; ++i) {
    std::string image(rng() % 512, '\0');
    for (char& c : image) c = static_cast<char>(rng());
    if (i % 3 == 0) image = VersionHeader() + image;  // past the signature check
    TdxMemData list = testing::TownList();
    const int64_t peak = ParsePeak(list, image);
    ASSERT_LE(peak, Bound(image)) << "case " << i;
    CheckLoadedList(list);
  }
}

TEST(ListFileFuzzTest, ClaimedSizesDoNotDriveAllocation) {
  // Each of these claims gigabytes in a few dozen bytes.
  const std::vector<std::string> images = {
      VersionHeader() + I32(INT32_MAX) + Desc("Town", 25),
      VersionHeader() + I32(1) + Desc("Town", INT32_MAX) + Text("Bath"),
      VersionHeader() + I32(1) + Desc("Town", 25) + I32(INT32_MAX) + "Bath",
      VersionHeader() + I32(2) + Desc("Town", 25) + Desc("Blob", INT32_MAX, 7) + Text("Bath") +
          "\x01xyz",
      I32(INT32_MAX) + std::string(64, '\xFF'),
  };
  for (const std::string& image : images) {
    TdxMemData list = testing::TownList();
    EXPECT_LE(ParsePeak(list, image), Bound(image));
    CheckLoadedList(list);
  }
}

TEST(ListFileFuzzTest, RandomListsRoundTrip) {
  std::mt19937 rng(5);
  for (int i = 0; i < 200; ++i) {
    TdxMemData list = testing::TownList();
    const int n = static_cast<int>(rng() % 50);
    for (int r = 0; r < n; ++r) {
      list.Append();
      for (int f = 0; f < 3; ++f) {
        if (rng() % 5 == 0) continue;  // left unset
        std::string v(rng() % 30, ' ');
        for (char& c : v) c = static_cast<char>(1 + rng() % 255);
        list.SetFieldText(f, v);
      }
      list.Post();
    }
    TdxMemData back = testing::TownList();
    ParseListImage(back, BuildListImage(list));
    ASSERT_EQ(back.RecordCount(), list.RecordCount());
    for (int32_t r = 0; r < list.RecordCount(); ++r)
      for (int f = 0; f < 3; ++f) ASSERT_EQ(back.StoredText(r, f), list.StoredText(r, f));
  }
}

}  // namespace
}  // namespace kestrove
