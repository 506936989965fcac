#include "platform/background_message_box.h"

#include <memory>

#include "platform/message_box.h"

namespace quistrel {

namespace {
struct Box {
  std::u16string text;
  UINT flags;
};

DWORD WINAPI RunBox(void* param) {
  const std::unique_ptr<Box> box(static_cast<Box*>(param));
  ShowMessageBox(nullptr, Wide(box->text), box->flags);
  return 0;
}
}  // namespace

void BackgroundMessageBox::Show(std::u16string text, UINT flags) {
  Close();
  auto box = std::make_unique<Box>(Box{std::move(text), flags});
  thread_.Reset(CreateThread(nullptr, 0, RunBox, box.get(), 0, &threadId_));
  if (thread_) box.release();
}

void BackgroundMessageBox::Close() {
  if (!thread_) return;
  // WM_QUIT ends the box's modal loop. It is posted again until the thread
  // has a message queue to take it; a thread that still has not ended after
  // a few seconds ends with the process.
  for (int tries = 0; tries < 100; ++tries) {
    PostThreadMessageW(threadId_, WM_QUIT, 0, 0);
    if (WaitForSingleObject(thread_.Get(), 50) != WAIT_TIMEOUT) break;
  }
  thread_.Reset();
  threadId_ = 0;
}

}  // namespace quistrel
