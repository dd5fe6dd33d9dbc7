#include "progress/progress_viewer.h"

#include <condition_variable>
#include <system_error>

#include "progress/additional_thread.h"
#include "progress/elapsed_time.h"
#include "progress/frame_observer.h"
#include "progress/progress_exception.h"
#include "progress/progress_module.h"
#include "progress/progress_settings.h"
#include "progress/window_geometry.h"

namespace orma {
namespace {

// The viewers alive in the process. Never destroyed: a viewer frees itself on its own thread,
// which may still be counting itself out while the program's exit destroys the static objects.
struct LiveViewerCount {
  std::mutex lock;
  std::condition_variable changed;
  int count = 0;
};
LiveViewerCount& Live() {
  static LiveViewerCount* live = new LiveViewerCount;
  return *live;
}

}  // namespace

void TViewerTerminator::operator()(TProgressViewer* viewer) const {
  if (viewer != nullptr) viewer->Terminate();
}

TProgressViewerPtr TProgressViewer::Create(const std::string& Caption, bool PercentMode, bool ShowCancelButton,
                                           TWorkEvent OnWork) {
  auto* viewer = new TProgressViewer(Caption, PercentMode, ShowCancelButton, std::move(OnWork));
  // Started only now, when every field is set, so the window thread never sees a half-built viewer.
  try {
    viewer->Resume();
  } catch (const std::system_error& e) {
    // Nothing runs yet: the viewer and its suspended worker are freed here, not by themselves.
    delete viewer->Worker_;
    delete viewer;
    throw EProgressException(std::string("Не удалось запустить поток окна визуализации: ") + e.what());
  }
  return TProgressViewerPtr(viewer);
}

TProgressViewer::TProgressViewer(const std::string& Caption, bool PercentMode, bool ShowCancelButton,
                                 TWorkEvent OnWork)
    : PercentMode_(PercentMode) {
  if (!progress::WindowClassRegistered())
    throw EProgressException("Класс окна визуализации \"ProgressViewerFormClass\" не зарегистрирован!");

  RequestedButtonVisible_ = ShowCancelButton;
  ButtonVisible_.store(ShowCancelButton);
  SetFreeOnTerminate(true);
  Link_ = std::make_shared<TViewerLink>(this);
  PlaceWindow();

  const std::string caption = Caption.empty() ? " " : Caption;
  SetCaption(caption);
  SetStringInfo(-1, ProgressAppCaption, taCenter, false, clBlack, fsBold, 12, GlobalDefaultFontName);
  SetStringInfo(1000, " ", taCenter, false, clBlack, fsBold, 8, "");
  SetStringInfo(1001, WaitLine1, taCenter, false, clBlack, fsBold, 10, GlobalDefaultFontName);
  SetStringInfo(1002, WaitLine2, taCenter, false, clBlack, fsBold, 10, GlobalDefaultFontName);

  if (OnWork) Worker_ = new TAdditionalThread(Link_, std::move(OnWork));

  std::lock_guard lock(Live().lock);
  ++Live().count;
}

TProgressViewer::~TProgressViewer() {
  StopThread();
  // A work callback that outlives the viewer finds the link empty from here on; Detach waits
  // for an action that is using the viewer right now.
  Link_->Detach();
  Window_.reset();
  {
    std::lock_guard lock(Live().lock);
    --Live().count;
  }
  Live().changed.notify_all();
}

int TProgressViewer::LiveViewers() {
  std::lock_guard lock(Live().lock);
  return Live().count;
}

bool TProgressViewer::WaitForNoViewers(unsigned timeoutMs) {
  std::unique_lock lock(Live().lock);
  return Live().changed.wait_for(lock, std::chrono::milliseconds(timeoutMs), [] { return Live().count == 0; });
}

void TProgressViewer::SetStringInfo(std::int32_t Key, const std::string& Text, std::uint8_t Alignment,
                                    bool WordWrap, TColor Color, TFontStyles FontStyle, std::int32_t FontSize,
                                    const std::string& FontName) {
  Table_.SetStringInfo(Key, Text, Alignment, WordWrap, Color, FontStyle, FontSize, FontName);
}

void TProgressViewer::ChangeStringParams(std::int32_t Key, const std::vector<TStringParamKind>& Kinds,
                                         const std::vector<TParamValue>& Values) {
  Table_.ChangeStringParams(Key, Kinds, Values);
}

void TProgressViewer::SetCaption(const std::string& Caption) {
  bool present;
  {
    std::lock_guard lock(Table_.LinesLock());
    present = Table_.IndexOfKey(0) >= 0;
  }
  if (!present)
    SetStringInfo(0, Caption, taCenter, false, clBlack, fsBold, 14, "");
  else
    ChangeStringParams(0, {spText}, {Caption});
}

void TProgressViewer::Cancel() {
  Link_->MarkCancelled();
  if (!OnCancel_) return;
  try {
    OnCancel_(*this);
  } catch (...) {
    // The cancel has happened; a failing handler must not take the window down with it.
  }
}

std::uint64_t TProgressViewer::ElapsedMs() const {
  if (!StartTimeTaken_.load()) return 0;
  return ElapsedClock()() - StartTime_.load();
}

void TProgressViewer::TakeStartTime() {
  StartTime_.store(ElapsedClock()());
  StartTimeTaken_.store(true);
}

void TProgressViewer::PlaceWindow() {
  std::int32_t left = 0, top = 0;
  PlaceOnWorkArea(ReadWorkArea(), {WindowWidth_.load(), WindowHeight_.load()}, left, top);
  WindowLeft_.store(left);
  WindowTop_.store(top);
}

void TProgressViewer::NotifyFrame(bool closing) {
  const std::shared_ptr<TFrameObserver> observer = CurrentFrameObserver();
  if (!observer) return;
  TFrameSnapshot frame;
  frame.ViewerId = reinterpret_cast<std::uintptr_t>(this);
  {
    std::lock_guard lock(Table_.LinesLock());
    for (const TStringInfo& line : Table_.Lines()) frame.Lines.emplace_back(line.Key, line.Text);
  }
  frame.PercentMode = PercentMode_;
  frame.Progress = Progress_.load();
  frame.ElapsedMs = ElapsedMs();
  frame.ElapsedText = ElapsedTimeText(frame.ElapsedMs, ElapsedTimePattern(UserTimePicture()));
  frame.Closing = closing;
  try {
    observer->OnFrame(frame);
  } catch (...) {
    // A terminal that went away must not stop the window.
  }
}

}  // namespace orma
