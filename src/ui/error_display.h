// The standard error display: where every error that no handler catches is
// shown, and the one guard that keeps exceptions from crossing Qt's event
// loop.
#pragma once

#include <QApplication>
#include <functional>
#include <string>

namespace kestrove::ui {

// The application title, which titles every message box.
inline constexpr const char* kApplicationTitle = "Kestrove v3.0";

// Shows an error message as the standard display does: with a full stop
// appended when the last character sorts after ".". Until a window installs
// its own, a plain error box is used.
void ShowStandardError(const std::string& message);
using ErrorDisplayFunction = std::function<void(const std::string& message)>;
// Installs the display; returns the one it replaces.
ErrorDisplayFunction SetStandardErrorDisplay(ErrorDisplayFunction display);

// Runs a handler; an exception it lets out is shown by the standard display
// and the handler is abandoned there.
void RunGuarded(const std::function<void()>& handler) noexcept;

// Wraps a handler for connect(): every slot of the windows goes through it.
// `Args` are the signal's argument types, e.g. Guarded<int>(...).
template <typename... Args, typename F>
auto Guarded(F handler) {
  return [handler](Args... args) { RunGuarded([&] { handler(args...); }); };
}

// The application: an exception that escapes any event handler ends up in
// the standard display instead of ending the program.
class KestroveApplication : public QApplication {
 public:
  KestroveApplication(int& argc, char** argv);
  bool notify(QObject* receiver, QEvent* event) override;
};

}  // namespace kestrove::ui
