#include "hook/hot_keys.h"

namespace quistrel {

std::u16string HotKeyFailureText(const std::u16string& keyName) {
  return u"[" + keyName + u"]キーの設定に失敗しました。\r\n" +
         u"他のソフトによって既に使われている可能性があります。\r\n" + u"このキーは使用できません。";
}

std::vector<std::u16string> TakenKeysToReport(bool downRegistered, bool upRegistered, bool hookInstalled) {
  std::vector<std::u16string> names;
  if (hookInstalled) return names;
  if (!downRegistered) names.push_back(u"Win+C");
  if (!upRegistered) names.push_back(u"Win+Alt+C");
  return names;
}

}  // namespace quistrel
