// The choices only named profiles offer: 64-bit whole numbers, booleans,
// UUIDs and bytes. Every value is the whole literal, drawn from the run's
// random source like every other value, so a seed repeats a run.
#include <cerrno>
#include <cstdlib>

#include "core/errors.h"
#include "core/field_types.h"
#include "generators/generators.h"

namespace kestrove {

namespace {

// Bytes when a binary column tells no size (bytea, BLOB) and none is given.
constexpr int64_t kDefaultBytes = 16;
// Enough for any key or tag; a literal of more is rarely meant.
constexpr int64_t kMostBytes = 65536;

int64_t StrToInt64(const std::string& text) {
  if (text.empty()) throw InvalidInteger(text);
  size_t i = text[0] == '-' || text[0] == '+' ? 1 : 0;
  if (i == text.size()) throw InvalidInteger(text);
  for (size_t k = i; k < text.size(); ++k)
    if (text[k] < '0' || text[k] > '9') throw InvalidInteger(text);
  errno = 0;
  char* end = nullptr;
  const long long value = std::strtoll(text.c_str(), &end, 10);
  if (errno == ERANGE) throw InvalidInteger(text);
  return value;
}

const char kHex[] = "0123456789abcdef";

}  // namespace

std::string Generators::GenerateNamedOnly(int32_t code, const std::string& param1,
                                          const std::string& param2) {
  // 32 random bits per step of the source.
  auto draw32 = [this]() -> uint32_t {
    random_.NextRandom();
    return random_.RandomSeed;
  };
  switch (code) {
    case kBigintCounter: {
      const int64_t start = param1.empty() ? 0 : StrToInt64(param1);
      if (state_.BigTableCounter < start) state_.BigTableCounter = start;
      const int64_t value = state_.BigTableCounter;
      state_.BigTableCounter = static_cast<int64_t>(static_cast<uint64_t>(value) + 1u);
      return std::to_string(value);
    }
    case kBigintRandom: {
      // To first, as the integer Random reads its bounds.
      const int64_t hi = StrToInt64(param2);
      const int64_t lo = StrToInt64(param1);
      if (hi <= lo) return std::to_string(lo);
      // lo + floor(s × width / 2^64) for 64 random bits s: every value of
      // the range, evenly to within 2^-64.
      const unsigned __int128 width =
          static_cast<unsigned __int128>(static_cast<uint64_t>(hi) - static_cast<uint64_t>(lo)) +
          1u;
      const uint64_t s = (static_cast<uint64_t>(draw32()) << 32) | draw32();
      const uint64_t offset = static_cast<uint64_t>((width * s) >> 64);
      return std::to_string(static_cast<int64_t>(static_cast<uint64_t>(lo) + offset));
    }
    case kBigintFixed:
    case kBoolFixed:
      return param1;
    case kBigintLookup:
      // Read as text: a BIGINT read as a whole number would keep only its
      // low 32 bits.
      return DatabaseLookup(14, param1, param2);
    case kBoolRandom:
      return random_.RandomBetween(0, 1) == 0 ? "FALSE" : "TRUE";
    case kUuidRandom: {
      uint8_t bytes[16];
      for (int i = 0; i < 16; i += 4) {
        const uint32_t r = draw32();
        for (int k = 0; k < 4; ++k) bytes[i + k] = static_cast<uint8_t>(r >> (24 - 8 * k));
      }
      bytes[6] = static_cast<uint8_t>((bytes[6] & 0x0f) | 0x40);  // version 4
      bytes[8] = static_cast<uint8_t>((bytes[8] & 0x3f) | 0x80);  // the RFC 4122 variant
      std::string out = "'";
      for (int i = 0; i < 16; ++i) {
        if (i == 4 || i == 6 || i == 8 || i == 10) out += '-';
        out += kHex[bytes[i] >> 4];
        out += kHex[bytes[i] & 15];
      }
      return out + "'";
    }
    case kBinaryRandom: {
      const int64_t length = param1.empty() ? kDefaultBytes : StrToInt64(param1);
      if (length < 1 || length > kMostBytes)
        throw EConvertError("'" + param1 + "' is not a length of 1 to " +
                            std::to_string(kMostBytes) + " bytes");
      std::string hex;
      hex.reserve(static_cast<size_t>(length) * 2);
      for (int64_t i = 0; i < length; ++i) {
        const int b = random_.RandomBetween(0, 255);
        hex += kHex[b >> 4];
        hex += kHex[b & 15];
      }
      if (binary_form_ == BinaryLiteralForm::kDecodeHex) return "decode('" + hex + "','hex')";
      return "X'" + hex + "'";
    }
    default:
      return {};
  }
}

}  // namespace kestrove
