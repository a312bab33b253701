// Ownership of one ODBC handle, without the ODBC headers.
#pragma once

#include <cstdint>
#include <utility>

namespace kestrove {

// Handle types, as SQL_HANDLE_ENV, SQL_HANDLE_DBC and SQL_HANDLE_STMT.
constexpr int16_t kHandleEnv = 1;
constexpr int16_t kHandleDbc = 2;
constexpr int16_t kHandleStmt = 3;

// Owns one ODBC handle. Move-only; the destructor frees the handle and never
// throws (a failure to free cannot be reported from there).
class OdbcHandle {
 public:
  OdbcHandle() = default;
  OdbcHandle(int16_t type, void* handle) : type_(type), handle_(handle) {}
  OdbcHandle(const OdbcHandle&) = delete;
  OdbcHandle& operator=(const OdbcHandle&) = delete;
  OdbcHandle(OdbcHandle&& other) noexcept
      : type_(other.type_), handle_(std::exchange(other.handle_, nullptr)) {}
  OdbcHandle& operator=(OdbcHandle&& other) noexcept {
    if (this != &other) {
      Free();
      type_ = other.type_;
      handle_ = std::exchange(other.handle_, nullptr);
    }
    return *this;
  }
  ~OdbcHandle() { Free(); }

  void* get() const { return handle_; }
  int16_t type() const { return type_; }
  explicit operator bool() const { return handle_ != nullptr; }

  // Gives the handle up without freeing it: for a handle the driver manager
  // refuses to free while a lost connection is torn down.
  void Abandon() noexcept { handle_ = nullptr; }

  // SQLFreeHandle; returns its result. The owner is empty afterwards unless
  // the driver manager refused (the handle then stays valid and owned).
  int16_t Free() noexcept;

 private:
  int16_t type_ = 0;
  void* handle_ = nullptr;
};

}  // namespace kestrove
