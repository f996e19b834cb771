#include "app/gui/ScriptedDesktop.h"

#include <QDialog>
#include <QFile>

#include <unistd.h>

using Fotarium::App::TMessageButtons;
using Fotarium::App::TModalResult;

QStringList TScriptedDesktop::Messages() const {
  QStringList result;
  for (const auto& call : Calls)
    if (call.Kind == QLatin1String("message"))
      result << call.Text;
  return result;
}

QStringList TScriptedDesktop::Opened() const {
  QStringList result;
  for (const auto& call : Calls)
    if (call.Kind == QLatin1String("open"))
      result << call.Text;
  return result;
}

TModalResult TScriptedDesktop::MessageBox(QWidget*, const QString& text, TMessageButtons buttons) {
  Calls.push_back({QStringLiteral("message"), text, {}});
  if (MessageAnswers.empty())
    return buttons == TMessageButtons::mbOK ? TModalResult::mrOk : TModalResult::mrYes;
  const TModalResult answer = MessageAnswers.front();
  MessageAnswers.pop_front();
  return answer;
}

QString TScriptedDesktop::InputBox(QWidget*, const QString& caption, const QString&, const QString& defaultText) {
  Calls.push_back({QStringLiteral("input"), caption, {}});
  if (InputAnswers.empty())
    return defaultText;
  QString answer = InputAnswers.front();
  InputAnswers.pop_front();
  return answer;
}

std::vector<std::string> TScriptedDesktop::OpenFileNames(QWidget*, const QString& caption, const QString&) {
  Calls.push_back({QStringLiteral("openfiles"), caption, {}});
  if (OpenAnswers.empty())
    return {};
  std::vector<std::string> answer = std::move(OpenAnswers.front());
  OpenAnswers.pop_front();
  return answer;
}

TModalResult TScriptedDesktop::ExecDialog(QDialog& dialog) {
  Calls.push_back({QStringLiteral("dialog"), dialog.objectName(), {}});
  if (DialogAnswers.empty())
    return TModalResult::mrOk;
  auto answer = std::move(DialogAnswers.front());
  DialogAnswers.pop_front();
  return answer(dialog);
}

bool TScriptedDesktop::OpenWithShell(const QString& documentOrUrl) {
  Calls.push_back({QStringLiteral("open"), documentOrUrl, {}});
  return ShellSucceeds;
}

bool TScriptedDesktop::MoveToTrash(const std::string& fileName) {
  Calls.push_back({QStringLiteral("trash"), QFile::decodeName(QByteArray::fromStdString(fileName)), fileName});
  // The file really goes away, as it would into the trash.
  return TrashAvailable && ::unlink(fileName.c_str()) == 0;
}

TScriptedDesktopScope::TScriptedDesktopScope() {
  auto desktop = std::make_unique<TScriptedDesktop>();
  FDesktop = desktop.get();
  Fotarium::App::SetDesktop(std::move(desktop));
}

TScriptedDesktopScope::~TScriptedDesktopScope() { Fotarium::App::SetDesktop(nullptr); }
