// The rights of this process, read from an access token.
#pragma once

#include <windows.h>

#include "clipboard/process_rights.h"

namespace quistrel {

ProcessRights RightsOfToken(HANDLE token);
ProcessRights CurrentProcessRights();
// Wine's ntdll names itself with an export of its own.
bool RunsUnderWine();

}  // namespace quistrel
