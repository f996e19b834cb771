#pragma once

// The program's one seam to the desktop: message boxes, the text-input box, modal
// dialogs, the clipboard, the shell's "open" and the trash. The program uses Qt's
// services; tests install a scripted desktop that answers and records every call.

#include <QString>

#include <functional>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

class QDialog;
class QWidget;

namespace Fotarium::App {

// What a modal box or dialog closed with, after the design's modal results.
enum class TModalResult : unsigned char { mrNone, mrOk, mrCancel, mrAbort, mrYes, mrNo };

// The button sets the program's questions use.
enum class TMessageButtons : unsigned char { mbOK, mbYesNo, mbYesAbort };

class IDesktop {
public:
  virtual ~IDesktop() = default;
  // A message box with the given buttons; answers the button pressed (mrOk for mbOK).
  virtual TModalResult MessageBox(QWidget* parent, const QString& text, TMessageButtons buttons) = 0;
  // A modal text-input box; answers defaultText when the user cancels.
  virtual QString InputBox(QWidget* parent, const QString& caption, const QString& prompt,
                           const QString& defaultText) = 0;
  // The open dialog for several files; answers the chosen paths as the file system's bytes
  // (none when the user cancels).
  virtual std::vector<std::string> OpenFileNames(QWidget* parent, const QString& caption, const QString& filter) = 0;
  // Shows a dialog modally (QDialog::exec) and answers how it closed.
  virtual TModalResult ExecDialog(QDialog& dialog) = 0;
  virtual QString ClipboardText() = 0;
  virtual void SetClipboardText(const QString& text) = 0;
  // Opens a document or an address with the program the desktop associates with it.
  virtual bool OpenWithShell(const QString& documentOrUrl) = 0;
  // Moves a file, named by the file system's bytes, to the desktop's trash; false when there
  // is no trash or the move failed.
  virtual bool MoveToTrash(const std::string& fileName) = 0;
};

// The desktop in use; Qt's own until a test installs another.
IDesktop& Desktop();
// Installs a desktop (nullptr restores Qt's); answers the previous one.
std::unique_ptr<IDesktop> SetDesktop(std::unique_ptr<IDesktop> desktop);

// The application's default error handler: shows the error's message, in the window's language
// (ErrorMessage), in a message box.
void ShowException(const std::exception& e);

// Runs a handler body so that no exception ever crosses Qt's event loop: the library's,
// the platform's and any other standard exception reach ShowException. Answers false
// when the body raised.
bool Guarded(const std::function<void()>& body);
// The same for one named entry point from the event loop ("drop", "close", "listed", …): the
// entry point's probe, when one is set, runs first inside the guard.
bool Guarded(std::string_view entryPoint, const std::function<void()>& body);

// A probe called with the entry point's name at the start of every named guarded entry point
// and of every file the listing worker reads, on that worker's thread ("worker"). Tests set
// one that throws, to see that no exception ever escapes into Qt's frames or out of a worker;
// set it only while no worker runs. nullptr removes it.
void SetEntryPointProbe(std::function<void(std::string_view entryPoint)> probe);
// Runs the probe for entryPoint, when one is set (it may throw).
void ProbeEntryPoint(std::string_view entryPoint);

// Qt's own desktop services.
std::unique_ptr<IDesktop> CreateQtDesktop();

} // namespace Fotarium::App
