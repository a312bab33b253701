// The one pair of conversions between the engine's byte strings and the
// window's text: engine bytes are shown with the locale's codec, and typed
// text becomes bytes the same way.
#pragma once

#include <QString>
#include <string>

namespace kestrove::ui {

inline QString FromEngine(const std::string& bytes) {
  return QString::fromLocal8Bit(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

inline std::string ToEngine(const QString& text) {
  const QByteArray bytes = text.toLocal8Bit();
  return std::string(bytes.constData(), static_cast<size_t>(bytes.size()));
}

}  // namespace kestrove::ui
