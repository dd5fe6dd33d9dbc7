// The line table of a progress viewer: keyed lines sorted by key, the viewer-level defaults
// and the flag that tells the window thread to lay the lines out again.
//
// Any thread may change lines; each operation holds LinesLock for its whole run. The lock is
// re-entrant because the window thread takes it again inside its layout step.
#pragma once

#include <cstdint>
#include <mutex>
#include <string>
#include <vector>

#include "progress/param_value.h"
#include "progress/progress_types.h"

namespace orma {

class TLineTable {
 public:
  TLineTable() = default;
  TLineTable(const TLineTable&) = delete;
  TLineTable& operator=(const TLineTable&) = delete;

  // Adds the line with this key, or replaces every attribute of the existing one (its Height
  // stays until the next layout). The default markers are resolved against the viewer's
  // defaults first, then the module's. Never fails.
  void SetStringInfo(std::int32_t Key, const std::string& Text, std::uint8_t Alignment, bool WordWrap,
                     TColor Color, TFontStyles FontStyle, std::int32_t FontSize, const std::string& FontName);

  // Sets the chosen attributes of an existing line, values stored as given (no markers).
  // Raises EProgressException "TProgressViewer.ChangeStringParams -> <reason>" for a missing
  // key, arrays of different lengths or a value that does not convert; the table is then
  // unchanged.
  void ChangeStringParams(std::int32_t Key, const std::vector<TStringParamKind>& Kinds,
                          const std::vector<TParamValue>& Values);

  // Index of the line with this key in Lines, or -1. The caller holds LinesLock.
  std::int32_t IndexOfKey(std::int32_t Key) const;
  // Orders Lines by key ascending. The caller holds LinesLock.
  void SortStrings();

  std::recursive_mutex& LinesLock() const { return LinesLock_; }
  // The table itself, for the window thread's layout; the caller holds LinesLock.
  std::vector<TStringInfo>& Lines() { return Lines_; }
  bool& LayoutValid() { return LayoutValid_; }

  // Copies taken under the lock, for readers on other threads.
  std::vector<TStringInfo> Snapshot() const;
  bool IsLayoutValid() const;

  // Viewer-level defaults: the markers themselves unless a viewer sets its own.
  TColor DefaultColor = kDefaultColorMarker;
  std::int32_t DefaultFontSize = kDefaultFontSizeMarker;
  TFontStyles DefaultFontStyle = kDefaultFontStyleMarker;
  std::string DefaultFontName;

 private:
  mutable std::recursive_mutex LinesLock_;
  std::vector<TStringInfo> Lines_;
  bool LayoutValid_ = false;
};

}  // namespace orma
