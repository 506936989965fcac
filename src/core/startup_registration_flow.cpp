#include "core/startup_registration_flow.h"

namespace quistrel {

const StartupBoxContent& StartupBoxContentOf(StartupBox box) {
  static constexpr char16_t kStartupCaption[] = u"スタートアップ";
  static constexpr char16_t kSucceeded[] = u"処理は正常に終了しました。";
  static constexpr char16_t kFailed[] = u"処理は失敗しました。";
  static const StartupBoxContent kAskRegister{
      kStartupCaption, u"スタートアップに登録されていません。\r\n登録しますか？", StartupBoxIcon::Question, true};
  static const StartupBoxContent kRegistered{u"登録完了", kSucceeded, StartupBoxIcon::Information, false};
  static const StartupBoxContent kRegisterFailed{u"登録失敗", kFailed, StartupBoxIcon::Exclamation, false};
  static const StartupBoxContent kAskUnregister{
      kStartupCaption, u"スタートアップに登録されています。\r\n削除しますか？", StartupBoxIcon::Question, true};
  static const StartupBoxContent kUnregistered{u"削除完了", kSucceeded, StartupBoxIcon::Information, false};
  static const StartupBoxContent kUnregisterFailed{u"削除失敗", kFailed, StartupBoxIcon::Exclamation, false};
  switch (box) {
    case StartupBox::AskRegister: return kAskRegister;
    case StartupBox::Registered: return kRegistered;
    case StartupBox::RegisterFailed: return kRegisterFailed;
    case StartupBox::AskUnregister: return kAskUnregister;
    case StartupBox::Unregistered: return kUnregistered;
    case StartupBox::UnregisterFailed: break;
  }
  return kUnregisterFailed;
}

std::u16string StartupLinkPath(const StartupFolders& folders) { return folders.startupFolder + kStartupLinkName; }

ShellLinkRequest StartupLinkRequest(const StartupFolders& folders) {
  ShellLinkRequest request;
  request.target = folders.appFolder + kStartupTargetName;
  request.linkPath = StartupLinkPath(folders);
  request.workingDirectory = folders.appFolder;
  request.description = kStartupLinkDescription;
  return request;
}

bool StartupLinkExists(StartupSystem& system, const StartupFolders& folders) {
  return system.OrdinaryFileExists(StartupLinkPath(folders));
}

void RegisterStartup(StartupSystem& system, const StartupFolders& folders) {
  if (!system.ShowBox(StartupBox::AskRegister)) return;
  const bool written = system.WriteLink(StartupLinkRequest(folders));
  system.ShowBox(written ? StartupBox::Registered : StartupBox::RegisterFailed);
}

void UnregisterStartup(StartupSystem& system, const StartupFolders& folders) {
  if (!system.ShowBox(StartupBox::AskUnregister)) return;
  const bool deleted = system.RemoveFile(StartupLinkPath(folders));
  system.ShowBox(deleted ? StartupBox::Unregistered : StartupBox::UnregisterFailed);
}

}  // namespace quistrel
