// Small builders the native tests share.
#pragma once

#include <initializer_list>
#include <string>

#include "core/text_list.h"
#include "platform/ansi.h"

namespace quistrel::testing {

inline TextList ListOf(std::initializer_list<const char16_t*> texts) {
  TextList list;
  for (const char16_t* text : texts) list.Append(SharedText(text));
  return list;
}

inline std::string Bytes(std::initializer_list<int> values) {
  std::string bytes;
  for (int v : values) bytes.push_back(static_cast<char>(v));
  return bytes;
}

// The native tests fix code page 932, the one the program's files are in.
inline const AnsiCodePage& Cp932() { return SystemAnsiCodePage(); }

}  // namespace quistrel::testing
