#include "lookup/list_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <bit>
#include <cerrno>
#include <cstring>
#include <optional>
#include <type_traits>

#include "core/errors.h"
#include "util/file.h"

namespace kestrove {

namespace {

constexpr char kSignature[3] = {'V', 'e', 'r'};
constexpr double kVersion = 1.4;
constexpr int16_t kTextType = 1;

// A read position in a file image. Every read checks what is left, so no
// size taken from the file can carry a read past the image. A read that comes
// up short takes what is left, as a stream read does: nothing follows it.
class ImageReader {
 public:
  explicit ImageReader(std::string_view image) : image_(image) {}

  size_t Left() const { return image_.size() - pos_; }
  bool AtEnd() const { return pos_ >= image_.size(); }
  size_t Pos() const { return pos_; }

  void SkipToEnd() { pos_ = image_.size(); }

  bool Take(size_t n, std::string_view* out) {
    if (n > Left()) {
      SkipToEnd();
      return false;
    }
    *out = image_.substr(pos_, n);
    pos_ += n;
    return true;
  }
  bool Skip(size_t n) {
    if (n > Left()) {
      SkipToEnd();
      return false;
    }
    pos_ += n;
    return true;
  }
  // A little-endian integer of sizeof(T) bytes.
  template <typename T>
  bool Little(T* v) {
    std::string_view b;
    if (!Take(sizeof(T), &b)) return false;
    std::make_unsigned_t<T> r = 0;
    for (size_t i = sizeof(T); i-- > 0;)
      r = static_cast<std::make_unsigned_t<T>>((r << 8) | static_cast<unsigned char>(b[i]));
    *v = static_cast<T>(r);
    return true;
  }
  bool Uint64(uint64_t* v) { return Little(v); }
  bool Int32(int32_t* v) { return Little(v); }
  bool Int16(int16_t* v) { return Little(v); }

 private:
  std::string_view image_;
  size_t pos_ = 0;
};

struct RawDescriptor {
  std::string name;
  int32_t data_size = 0;
  int16_t type_code = 0;
  int field = -1;        // list field it feeds, -1 for none
  bool as_text = false;  // values read as length + characters
};

struct RawHeader {
  bool has_signature = false;
  double version = 0;
  int32_t declared_count = 0;
  std::vector<RawDescriptor> descriptors;
};

// Signature, version, N and the descriptors. A descriptor that is cut short,
// or whose name length is negative, ends the descriptors; those read before
// it count. Descriptors are kept only as they are read, so a huge N costs
// nothing beyond the bytes that are really there.
RawHeader ReadHeader(std::string_view image, ImageReader& in) {
  RawHeader h;
  std::string_view sig;
  if (in.Take(3, &sig) && sig == std::string_view(kSignature, 3)) {
    h.has_signature = true;
    uint64_t bits = 0;
    if (!in.Uint64(&bits)) return h;
    h.version = std::bit_cast<double>(bits);
  } else {
    in = ImageReader(image);  // version 0: N comes first
  }
  if (!in.Int32(&h.declared_count)) return h;
  for (int32_t k = 0; k < h.declared_count; ++k) {
    RawDescriptor d;
    int16_t name_length = 0;
    std::string_view name;
    if (!in.Int32(&d.data_size) || !in.Int16(&d.type_code) || !in.Int16(&name_length)) break;
    if (name_length < 0) {
      in.SkipToEnd();  // damaged: nothing after it can be trusted
      break;
    }
    if (!in.Take(static_cast<size_t>(name_length), &name)) break;
    // The name runs to its zero byte (or the end of its L bytes). At most
    // 32767 bytes by the width of L, so it cannot run away; a name too long
    // for any list field simply matches none.
    const size_t zero = name.find('\0');
    d.name = std::string(zero == std::string_view::npos ? name : name.substr(0, zero));
    h.descriptors.push_back(std::move(d));
  }
  return h;
}

// Reads one record: a value for every descriptor in file order. Text values
// are handed to `values[k]` as views into the image, without copying; the
// list cuts them to its widths. False when a read comes up short or a length
// is negative: the record is incomplete and reading ends.
bool ReadRecord(ImageReader& in, const std::vector<RawDescriptor>& descriptors, bool flag_bytes,
                std::vector<std::optional<std::string_view>>* values) {
  for (size_t k = 0; k < descriptors.size(); ++k) {
    const RawDescriptor& d = descriptors[k];
    if (d.as_text) {
      int32_t m = 0;
      std::string_view bytes;
      if (!in.Int32(&m)) return false;
      if (m < 0) {
        in.SkipToEnd();  // damaged
        return false;
      }
      if (!in.Take(static_cast<size_t>(m), &bytes)) return false;
      if (values && d.field >= 0) (*values)[k] = bytes;
    } else {
      if (flag_bytes && !in.Skip(1)) return false;
      if (d.data_size < 0) {
        in.SkipToEnd();  // damaged
        return false;
      }
      if (!in.Skip(static_cast<size_t>(d.data_size))) return false;
    }
  }
  return true;
}

void PutInt32(std::string& out, int32_t v) {
  const uint32_t u = static_cast<uint32_t>(v);
  for (int i = 0; i < 4; ++i) out.push_back(static_cast<char>((u >> (8 * i)) & 0xFF));
}

void PutInt16(std::string& out, int16_t v) {
  const uint16_t u = static_cast<uint16_t>(v);
  out.push_back(static_cast<char>(u & 0xFF));
  out.push_back(static_cast<char>((u >> 8) & 0xFF));
}

}  // namespace

bool ReadWholeFile(const std::string& path, std::string& contents) {
  const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
  if (fd < 0) return false;
  struct stat st {};
  bool ok = ::fstat(fd, &st) == 0 && S_ISREG(st.st_mode) && st.st_size >= 0;
  std::string buffer;
  if (ok) {
    // Sized once from the file system, never from the file's contents; a
    // file that shrinks meanwhile gives what is there.
    buffer.resize(static_cast<size_t>(st.st_size));
    size_t done = 0;
    while (done < buffer.size()) {
      const ssize_t n = ::read(fd, buffer.data() + done, buffer.size() - done);
      if (n < 0 && errno == EINTR) continue;
      if (n < 0) {
        ok = false;
        break;
      }
      if (n == 0) break;
      done += static_cast<size_t>(n);
    }
    buffer.resize(done);
  }
  ::close(fd);
  if (ok) contents.swap(buffer);
  return ok;
}

void ParseListImage(TdxMemData& list, std::string_view image) {
  list.ResetForLoad();
  ImageReader in(image);
  RawHeader h = ReadHeader(image, in);
  bool any_matched = false;
  for (RawDescriptor& d : h.descriptors) {
    d.field = list.FieldIndex(d.name);
    // Every list field is text, so a matched value is read as text whatever
    // type code the file gives it.
    d.as_text = d.field >= 0 || d.type_code == kTextType;
    any_matched = any_matched || d.field >= 0;
  }
  if (any_matched) {
    const bool flag_bytes = h.version > 0;
    std::vector<std::optional<std::string_view>> raw(h.descriptors.size());
    std::vector<std::optional<std::string_view>> values(static_cast<size_t>(list.FieldCount()));
    // Every record takes at least four bytes per matched field, so the
    // records a file can yield are bounded by its size.
    while (!in.AtEnd()) {
      std::fill(raw.begin(), raw.end(), std::nullopt);
      if (!ReadRecord(in, h.descriptors, flag_bytes, &raw)) break;
      std::fill(values.begin(), values.end(), std::nullopt);
      for (size_t k = 0; k < h.descriptors.size(); ++k)
        if (raw[k]) values[static_cast<size_t>(h.descriptors[k].field)] = raw[k];
      list.AppendLoaded(values);
    }
  }
  list.FinishLoad();
}

bool LoadListFile(TdxMemData& list, const std::string& path) {
  std::string image;
  if (!ReadWholeFile(path, image)) return false;
  ParseListImage(list, image);
  return true;
}

std::string BuildListImage(const TdxMemData& list) {
  std::string out;
  out.append(kSignature, 3);
  const uint64_t bits = std::bit_cast<uint64_t>(kVersion);
  for (int i = 0; i < 8; ++i) out.push_back(static_cast<char>((bits >> (8 * i)) & 0xFF));
  PutInt32(out, list.FieldCount());
  for (int f = 0; f < list.FieldCount(); ++f) {
    const TdxFieldDef& def = list.Field(f);
    PutInt32(out, def.width + 1);
    PutInt16(out, kTextType);
    PutInt16(out, static_cast<int16_t>(def.name.size() + 1));
    out.append(def.name);
    out.push_back('\0');
  }
  const int32_t count = list.RecordCount();
  for (int32_t r = 0; r < count; ++r) {
    for (int f = 0; f < list.FieldCount(); ++f) {
      std::string_view text = list.StoredText(r, f);
      const size_t zero = text.find('\0');
      if (zero != std::string_view::npos) text = text.substr(0, zero);
      PutInt32(out, static_cast<int32_t>(text.size() + 1));
      out.append(text);
      out.push_back('\0');
    }
  }
  return out;
}

void SaveListFile(TdxMemData& list, const std::string& path) {
  if (!list.Active()) return;
  const std::string image = BuildListImage(list);
  // A full disk never costs the user the list they had. The messages are
  // the list editors' own, without the system's reason.
  try {
    WriteFileAtomically(path, image);
  } catch (const AtomicWriteError& e) {
    throw EInOutError(e.step() == AtomicWriteError::Step::kWrite ? "Stream write error"
                                                                 : "Cannot create file " + path);
  }
}

ListFileInfo InspectListImage(std::string_view image) {
  ListFileInfo info;
  ImageReader in(image);
  RawHeader h = ReadHeader(image, in);
  info.has_signature = h.has_signature;
  info.version = h.version;
  info.declared_count = h.declared_count;
  for (RawDescriptor& d : h.descriptors) {
    d.as_text = d.type_code == kTextType;
    info.descriptors.push_back({d.name, d.data_size, d.type_code});
  }
  if (h.descriptors.empty()) return info;
  const bool flag_bytes = h.version > 0;
  while (!in.AtEnd()) {
    const size_t before = in.Pos();
    if (!ReadRecord(in, h.descriptors, flag_bytes, nullptr)) {
      info.damaged = true;
      break;
    }
    if (in.Pos() == before) {
      // Records of nothing but empty non-text values would never end.
      info.damaged = true;
      break;
    }
    ++info.complete_records;
  }
  return info;
}

}  // namespace kestrove
