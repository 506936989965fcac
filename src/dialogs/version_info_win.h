// The texts and numbers of an executable's version resource.
#pragma once

#include <windows.h>

#include <string>

#include "dialogs/version_text.h"

namespace quistrel {

struct VersionInfo {
  std::u16string productName;
  std::u16string legalCopyright;
  std::u16string comments;
  ProgramVersion version;
  bool found = false;  // false: the file has no version resource
};

// Reads the resource of the file at `modulePath` (the running executable when
// empty). Missing entries stay empty.
VersionInfo ReadVersionInfo(const std::wstring& modulePath = {});

}  // namespace quistrel
