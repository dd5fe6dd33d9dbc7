#include "progress/additional_thread.h"

#include "platform/process.h"

namespace orma {

TAdditionalThread::TAdditionalThread(std::shared_ptr<TViewerLink> Viewer, TWorkEvent OnWork)
    : Viewer_(std::move(Viewer)), OnWork_(std::move(OnWork)) {
  SetFreeOnTerminate(true);
}

TAdditionalThread::~TAdditionalThread() { StopThread(); }

void TAdditionalThread::Execute() {
  // No guard: a failure of the callback ends the body, and the thread object swallows it.
  if (OnWork_) OnWork_(*Viewer_);
  while (!Terminated()) platform::sleepMs(50);
}

}  // namespace orma
