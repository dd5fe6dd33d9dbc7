// What a viewer shares with code that may outlive it. A viewer frees itself on its own thread
// after its terminate request, while a work callback may still be running; the callback keeps
// this link and reaches the viewer only through Use, which refuses once the viewer is gone:
//
//   link.Use([&](TProgressViewer& v) { v.SetStringInfo(20, "Шаг 3", ...); });   // false: gone
//   if (link.Cancelled()) return;                                              // still answers
#pragma once

#include <atomic>
#include <functional>
#include <mutex>

namespace orma {

class TProgressViewer;

class TViewerLink {
 public:
  explicit TViewerLink(TProgressViewer* viewer) : Viewer_(viewer) {}

  // Runs action with the viewer while it exists and returns true; false when it has gone. The
  // viewer's destruction waits for an action that is running, so keep actions short.
  bool Use(const std::function<void(TProgressViewer&)>& action);
  // Never waits for a running action.
  bool Alive() const { return Viewer_.load() != nullptr; }
  // Set by the first cancel of the window and never cleared; readable after the viewer is gone.
  bool Cancelled() const { return Cancelled_.load(); }

 private:
  friend class TProgressViewer;
  void MarkCancelled() { Cancelled_.store(true); }
  void Detach();

  mutable std::recursive_mutex Lock_;
  std::atomic<TProgressViewer*> Viewer_;
  std::atomic<bool> Cancelled_{false};
};

}  // namespace orma
