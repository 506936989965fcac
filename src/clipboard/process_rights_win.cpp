#include "clipboard/process_rights_win.h"

#include <vector>

#include "platform/handles.h"

namespace quistrel {

namespace {
std::optional<bool> ElevatedOf(HANDLE token) {
  TOKEN_ELEVATION elevation{};
  DWORD size = 0;
  if (!GetTokenInformation(token, TokenElevation, &elevation, sizeof(elevation), &size)) return std::nullopt;
  return elevation.TokenIsElevated != 0;
}

std::optional<uint32_t> IntegrityLevelOf(HANDLE token) {
  DWORD size = 0;
  GetTokenInformation(token, TokenIntegrityLevel, nullptr, 0, &size);
  if (size < sizeof(TOKEN_MANDATORY_LABEL)) return std::nullopt;
  std::vector<unsigned char> buffer(size);
  if (!GetTokenInformation(token, TokenIntegrityLevel, buffer.data(), size, &size)) return std::nullopt;
  const PSID sid = reinterpret_cast<const TOKEN_MANDATORY_LABEL*>(buffer.data())->Label.Sid;
  if (!sid || !IsValidSid(sid) || *GetSidSubAuthorityCount(sid) == 0) return std::nullopt;
  return static_cast<uint32_t>(*GetSidSubAuthority(sid, *GetSidSubAuthorityCount(sid) - 1u));
}
}  // namespace

ProcessRights RightsOfToken(HANDLE token) { return ProcessRights{ElevatedOf(token), IntegrityLevelOf(token)}; }

ProcessRights CurrentProcessRights() {
  HANDLE opened = nullptr;
  if (!OpenProcessToken(GetCurrentProcess(), TOKEN_QUERY, &opened)) return {};
  const UniqueKernelObject token(opened);
  return RightsOfToken(token.Get());
}

}  // namespace quistrel
