#include "app/Desktop.h"

#include "app/Messages.h"

#include "platform/FileOps.h"

#include <QApplication>
#include <QClipboard>
#include <QDesktopServices>
#include <QDialog>
#include <QFile>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

#include <exception>

namespace Fotarium::App {

namespace {

class TQtDesktop final : public IDesktop {
public:
  TModalResult MessageBox(QWidget* parent, const QString& text, TMessageButtons buttons) override {
    const QString title = QApplication::applicationDisplayName();
    switch (buttons) {
    case TMessageButtons::mbOK:
      QMessageBox::information(parent, title, text);
      return TModalResult::mrOk;
    case TMessageButtons::mbYesNo:
      return QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::No, QMessageBox::No) ==
                     QMessageBox::Yes
                 ? TModalResult::mrYes
                 : TModalResult::mrNo;
    case TMessageButtons::mbYesAbort: {
      const auto answer =
          QMessageBox::question(parent, title, text, QMessageBox::Yes | QMessageBox::Abort, QMessageBox::Yes);
      return answer == QMessageBox::Yes ? TModalResult::mrYes : TModalResult::mrAbort;
    }
    }
    return TModalResult::mrNone;
  }

  QString InputBox(QWidget* parent, const QString& caption, const QString& prompt,
                   const QString& defaultText) override {
    bool ok = false;
    QString text = QInputDialog::getText(parent, caption, prompt, QLineEdit::Normal, defaultText, &ok);
    return ok ? text : defaultText;
  }

  std::vector<std::string> OpenFileNames(QWidget* parent, const QString& caption, const QString& filter) override {
    std::vector<std::string> paths;
    for (const QString& file : QFileDialog::getOpenFileNames(parent, caption, QString(), filter))
      paths.push_back(QFile::encodeName(file).toStdString());
    return paths;
  }

  TModalResult ExecDialog(QDialog& dialog) override {
    const int result = dialog.exec();
    return result == QDialog::Accepted ? TModalResult::mrOk : TModalResult::mrCancel;
  }

  QString ClipboardText() override { return QGuiApplication::clipboard()->text(); }
  void SetClipboardText(const QString& text) override { QGuiApplication::clipboard()->setText(text); }

  bool OpenWithShell(const QString& documentOrUrl) override {
    const QUrl url = documentOrUrl.contains(QLatin1String("://")) ? QUrl(documentOrUrl)
                                                                  : QUrl::fromLocalFile(documentOrUrl);
    return QDesktopServices::openUrl(url);
  }

  // Qt's own trash takes a QString, which cannot carry a name that is no valid UTF-8.
  bool MoveToTrash(const std::string& fileName) override { return Platform::MoveFileToTrash(fileName); }
};

std::unique_ptr<IDesktop>& Current() {
  static std::unique_ptr<IDesktop> desktop;
  return desktop;
}

} // namespace

std::unique_ptr<IDesktop> CreateQtDesktop() { return std::make_unique<TQtDesktop>(); }

IDesktop& Desktop() {
  auto& current = Current();
  if (!current)
    current = CreateQtDesktop();
  return *current;
}

std::unique_ptr<IDesktop> SetDesktop(std::unique_ptr<IDesktop> desktop) {
  auto previous = std::move(Current());
  Current() = std::move(desktop);
  return previous;
}

void ShowException(const std::exception& e) {
  Desktop().MessageBox(QApplication::activeWindow(), ErrorMessage(e), TMessageButtons::mbOK);
}

namespace {

std::function<void(std::string_view)>& EntryPointProbe() {
  static std::function<void(std::string_view)> probe;
  return probe;
}

} // namespace

void SetEntryPointProbe(std::function<void(std::string_view entryPoint)> probe) {
  EntryPointProbe() = std::move(probe);
}

void ProbeEntryPoint(std::string_view entryPoint) {
  if (const auto& probe = EntryPointProbe())
    probe(entryPoint);
}

bool Guarded(std::string_view entryPoint, const std::function<void()>& body) {
  return Guarded([entryPoint, &body] {
    ProbeEntryPoint(entryPoint);
    body();
  });
}

bool Guarded(const std::function<void()>& body) {
  try {
    body();
    return true;
  } catch (const std::exception& e) {
    ShowException(e);
  } catch (...) {
    Desktop().MessageBox(QApplication::activeWindow(), QCoreApplication::translate("Guard", "Unbekannter Fehler"),
                         TMessageButtons::mbOK);
  }
  return false;
}

} // namespace Fotarium::App
