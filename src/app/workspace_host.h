// What the workspace asks of its front end: the run's host, and what only the
// workspace sees happen.
#pragma once

#include <string>

#include "core/run_host.h"

namespace kestrove {

class WorkspaceHost : public RunHost {
 public:
  // A run's load of lookup list `list` found its file missing or unreadable;
  // the list stays as it was (the headless runner warns).
  virtual void ListNotLoaded(int list, const std::string& path) { (void)list, (void)path; }
  // Something the run does otherwise than asked, and why (the headless
  // runner prints it on standard error).
  virtual void RunNote(const std::string& message) { (void)message; }
};

}  // namespace kestrove
