// The worker of a progress viewer: runs the work callback once the window shows, then idles
// until the viewer's window thread asks it to end, and frees itself. The viewer does not wait
// for it, so the callback reaches the viewer only through the link.
#pragma once

#include <memory>

#include "progress/progress_viewer.h"
#include "progress/thread_object.h"

namespace orma {

class TAdditionalThread final : public TThreadObject {
 public:
  // Created suspended and freeing itself; the viewer's window thread resumes it.
  TAdditionalThread(std::shared_ptr<TViewerLink> Viewer, TWorkEvent OnWork);

 private:
  friend class TProgressViewer;   // frees a worker that was never resumed
  ~TAdditionalThread() override;
  void Execute() override;

  std::shared_ptr<TViewerLink> Viewer_;
  TWorkEvent OnWork_;
};

}  // namespace orma
