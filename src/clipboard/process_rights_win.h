// The rights of this process, read from an access token.
#pragma once

#include <windows.h>

#include "clipboard/process_rights.h"

namespace quistrel {

ProcessRights RightsOfToken(HANDLE token);
ProcessRights CurrentProcessRights();

}  // namespace quistrel
