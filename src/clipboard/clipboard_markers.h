// Marks that other programs put beside what they copy to keep it out of
// clipboard histories: password managers mark passwords this way.
#pragma once

#include <cstdint>
#include <optional>

namespace quistrel {

inline constexpr wchar_t kExcludeFromMonitoringFormat[] = L"ExcludeClipboardContentFromMonitorProcessing";
inline constexpr wchar_t kCanIncludeInHistoryFormat[] = L"CanIncludeInClipboardHistory";
inline constexpr wchar_t kViewerIgnoreFormat[] = L"Clipboard Viewer Ignore";

struct ClipboardMarkers {
  bool excludeFromMonitoring = false;           // the format is present at all
  std::optional<uint32_t> canIncludeInHistory;  // its DWORD, when present
  bool viewerIgnore = false;                    // the format is present at all
};

// True when the content must not enter the history nor be shown.
constexpr bool IsPrivateContent(const ClipboardMarkers& markers) {
  return markers.excludeFromMonitoring || markers.viewerIgnore ||
         (markers.canIncludeInHistory && *markers.canIncludeInHistory == 0);
}

}  // namespace quistrel
