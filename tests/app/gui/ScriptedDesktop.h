#pragma once

// A desktop for the window tests: every question is answered from a script and every
// call is recorded, so that tests check what the program asked and said.

#include "app/Desktop.h"

#include <QString>
#include <QStringList>

#include <deque>
#include <functional>
#include <string>

class TScriptedDesktop final : public Fotarium::App::IDesktop {
public:
  struct TCall {
    QString Kind; // "message", "input", "openfiles", "dialog", "open", "trash"
    QString Text; // message text, input caption, dialog object name, opened address, trashed file
    std::string Bytes; // the trashed file's name as the file system's bytes
  };

  // Answers for the next questions, in order; an empty script answers mrOk/mrYes,
  // the default text, mrOk and true.
  std::deque<Fotarium::App::TModalResult> MessageAnswers;
  std::deque<QString> InputAnswers;
  // Each entry may change the dialog's widgets before answering (run instead of exec).
  std::deque<std::function<Fotarium::App::TModalResult(QDialog&)>> DialogAnswers;
  // Paths the open dialog answers, one list per opening; none when the script is empty.
  std::deque<std::vector<std::string>> OpenAnswers;
  bool TrashAvailable = true;
  bool ShellSucceeds = true;

  QString Clipboard;
  std::vector<TCall> Calls;

  [[nodiscard]] QStringList Messages() const;
  [[nodiscard]] QStringList Opened() const;

  Fotarium::App::TModalResult MessageBox(QWidget* parent, const QString& text,
                                         Fotarium::App::TMessageButtons buttons) override;
  QString InputBox(QWidget* parent, const QString& caption, const QString& prompt,
                   const QString& defaultText) override;
  std::vector<std::string> OpenFileNames(QWidget* parent, const QString& caption, const QString& filter) override;
  Fotarium::App::TModalResult ExecDialog(QDialog& dialog) override;
  QString ClipboardText() override { return Clipboard; }
  void SetClipboardText(const QString& text) override { Clipboard = text; }
  bool OpenWithShell(const QString& documentOrUrl) override;
  bool MoveToTrash(const std::string& fileName) override;
};

// Installs a scripted desktop for the lifetime of the object and restores Qt's after.
class TScriptedDesktopScope {
public:
  TScriptedDesktopScope();
  ~TScriptedDesktopScope();
  TScriptedDesktopScope(const TScriptedDesktopScope&) = delete;
  TScriptedDesktopScope& operator=(const TScriptedDesktopScope&) = delete;
  TScriptedDesktop& operator*() { return *FDesktop; }
  TScriptedDesktop* operator->() { return FDesktop; }

private:
  TScriptedDesktop* FDesktop;
};
