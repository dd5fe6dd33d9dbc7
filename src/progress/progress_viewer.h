// TProgressViewer: a small always-on-top window, run by a thread of its own, that shows keyed
// text lines above a progress bar and the elapsed time, with an optional cancel button and an
// optional worker thread.
//
//   auto viewer = TProgressViewer::Create("ОПТИМИЗАЦИЯ БАЗЫ ДАННЫХ", false, false);
//   viewer->SetStringInfo(10, "СОЗДАНИЕ РЕЗЕРВНОЙ КОПИИ", taRightJustify, true, clGreen, fsBold, 14, "");
//   ...                      // the window keeps moving while this thread is busy
//   viewer.reset();          // terminate request; the viewer closes and frees itself
//
// A new viewer shows, top to bottom: ProgressAppCaption (key -1), the caption (key 0), a spacer
// (1000) and the two-line request to wait (1001, 1002). Caller lines with keys between 0 and
// 1000 fall between the caption and the spacer.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "progress/line_table.h"
#include "progress/progress_types.h"
#include "progress/thread_object.h"
#include "progress/viewer_link.h"

namespace orma {

class TProgressViewer;
class TAdditionalThread;

// Called with the viewer; may be empty.
using TViewerEvent = std::function<void(TProgressViewer&)>;
// The work callback runs on the worker thread and may outlive the viewer, so it gets the link
// rather than the viewer itself.
using TWorkEvent = std::function<void(TViewerLink&)>;

// Owning a viewer means owing it one terminate request: the deleter makes that request instead
// of deleting, so that leaving a scope by any path closes the window.
struct TViewerTerminator {
  void operator()(TProgressViewer* viewer) const;
};
using TProgressViewerPtr = std::unique_ptr<TProgressViewer, TViewerTerminator>;

// The window's state that only the window thread touches: window and button handles and the
// four off-screen bitmaps. Each build defines it with its own window code.
struct TWindowState;
struct TWindowStateDeleter {
  void operator()(TWindowState* state) const;
};

struct TWorkArea {
  std::int32_t Left = 0, Top = 0, Right = 0, Bottom = 0;
};

class TProgressViewer final : public TThreadObject {
 public:
  // Raises EProgressException when the window class is not registered (the progress module was
  // not started, or its registration failed); nothing is created then. The window thread starts
  // when the viewer is complete; OnWork, if given, runs on a worker thread once the window shows.
  static TProgressViewerPtr Create(const std::string& Caption, bool PercentMode, bool ShowCancelButton,
                                   TWorkEvent OnWork = {});

  // Adds the line with this key or replaces all its attributes. Colour 0x20000000, size -1,
  // style 15 (all four flags) and an empty font name mean "the default". Any thread.
  void SetStringInfo(std::int32_t Key, const std::string& Text, std::uint8_t Alignment, bool WordWrap,
                     TColor Color, TFontStyles FontStyle, std::int32_t FontSize, const std::string& FontName);
  // Changes the chosen attributes of an existing line; see TLineTable. Any thread.
  void ChangeStringParams(std::int32_t Key, const std::vector<TStringParamKind>& Kinds,
                          const std::vector<TParamValue>& Values);
  // The operation caption, line 0: added bold, centred, 14 points the first time, only its text
  // changed afterwards.
  void SetCaption(const std::string& Caption);

  // What the window does on Escape or a click of its cancel button: Cancelled becomes true and
  // stays true, then OnCancel runs on the window thread; a failure of OnCancel is swallowed.
  void Cancel();
  bool Cancelled() const { return Link_->Cancelled(); }
  // Set it before the window can be cancelled; it runs on the window thread.
  void SetOnCancel(TViewerEvent handler) { OnCancel_ = std::move(handler); }
  const std::shared_ptr<TViewerLink>& Link() const { return Link_; }

  // Window thread only (the layout step, an OnCancel handler): sets the window size, -1 keeping
  // the current value, at least 225 x 70, and places the window again on the work area.
  void ResizeWindow(std::int32_t Width, std::int32_t Height);

  // Read-only views of the state, safe from any thread.
  std::vector<TStringInfo> Lines() const { return Table_.Snapshot(); }
  bool LayoutValid() const { return Table_.IsLayoutValid(); }
  std::int32_t WindowLeft() const { return WindowLeft_.load(); }
  std::int32_t WindowTop() const { return WindowTop_.load(); }
  std::int32_t WindowWidth() const { return WindowWidth_.load(); }
  std::int32_t WindowHeight() const { return WindowHeight_.load(); }
  bool PercentMode() const { return PercentMode_; }
  bool ButtonVisible() const { return ButtonVisible_.load(); }
  bool HasWorker() const { return Worker_ != nullptr; }
  // The native window handle's value while the window exists, else 0 (always 0 without a
  // window system).
  std::uintptr_t WindowHandle() const { return WindowHandleValue_.load(); }
  // The bar: in percent mode the percentage; otherwise the moving block's left edge in pixels.
  // Set it from any thread in percent mode; the window thread moves the block itself.
  double Progress() const { return Progress_.load(); }
  void SetProgress(double value) { Progress_.store(value); }
  // Milliseconds since the window was created, from a clock that never goes backwards.
  std::uint64_t ElapsedMs() const;

  // Viewers alive in the process, for the module end to wait for.
  static int LiveViewers();
  static bool WaitForNoViewers(unsigned timeoutMs);

 private:
  friend struct TWindowState;
  friend class TWindowThread;

  TProgressViewer(const std::string& Caption, bool PercentMode, bool ShowCancelButton, TWorkEvent OnWork);
  ~TProgressViewer() override;

  void Execute() override { RunWindowLoop(); }
  // The thread body; each build has its own (a Win32 window, or the no-window path).
  void RunWindowLoop();
  void ApplyPendingSettings();
  void PlaceWindow();
  // Tells the module's frame observer (a terminal renderer, if one is installed).
  void NotifyFrame(bool closing);
  void TakeStartTime();

  std::atomic<double> Progress_{0.0};
  bool PercentMode_;
  std::atomic<std::int32_t> WindowLeft_{0}, WindowTop_{0};
  std::unique_ptr<TWindowState, TWindowStateDeleter> Window_;
  std::atomic<std::uint64_t> StartTime_{0};   // monotonic milliseconds, taken when the window is made
  std::atomic<bool> StartTimeTaken_{false};
  TAdditionalThread* Worker_ = nullptr;         // frees itself
  mutable TLineTable Table_;                    // holds LinesLock, Lines, LayoutValid and the defaults
  std::mutex SettingsLock_;
  std::atomic<std::int32_t> WindowWidth_{450}, WindowHeight_{70};
  std::int32_t RequestedWidth_ = 450;
  bool RequestedButtonVisible_ = false;
  std::atomic<bool> ButtonVisible_{false};
  TColor BackgroundColor_ = clBtnFace;
  TViewerEvent OnCancel_;
  std::shared_ptr<TViewerLink> Link_;
  std::atomic<std::uintptr_t> WindowHandleValue_{0};
};

}  // namespace orma
