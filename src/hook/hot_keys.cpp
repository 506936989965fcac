#include "hook/hot_keys.h"

namespace quistrel {

std::u16string HotKeyFailureText(const std::u16string& keyName) {
  return u"[" + keyName + u"]キーの設定に失敗しました。\r\n" +
         u"他のソフトによって既に使われている可能性があります。\r\n" + u"このキーは使用できません。";
}

}  // namespace quistrel
