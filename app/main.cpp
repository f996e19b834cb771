// The desktop program: the application object, the main window and its three dialogs, and
// the message loop. Files named on the command line ("Open with") are taken like one drop.

#include "app/Desktop.h"
#include "app/Messages.h"
#include "app/Unit1.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"
#include "app/core/WindowLanguage.h"
#include "app/core/WindowRules.h"

#include "platform/FormatSettings.h"

#include <QApplication>
#include <QTimer>

#include <exception>
#include <string>
#include <vector>

namespace {

// No exception may cross the event loop: whatever a handler let through ends up in the
// application's default error handler and the program keeps running.
class TFotariumApplication final : public QApplication {
public:
  using QApplication::QApplication;

  bool notify(QObject* receiver, QEvent* event) override {
    try {
      return QApplication::notify(receiver, event);
    } catch (const std::exception& e) {
      Fotarium::App::ShowException(e);
    } catch (...) {
      Fotarium::App::Desktop().MessageBox(activeWindow(), QCoreApplication::translate("Guard", "Unbekannter Fehler"),
                                          Fotarium::App::TMessageButtons::mbOK);
    }
    return false;
  }
};

} // namespace

int main(int argc, char** argv) {
  // The window's language and its locale texts first: every worker and every form reads them.
  const Fotarium::Core::TWindowLanguage language = Fotarium::Core::WindowLanguageFromEnvironment();
  Platform::SetFormatSettings(Fotarium::Core::WindowFormatSettings(language));

  TFotariumApplication app(argc, argv);
  // The file names exactly as the system passed them: QApplication has taken its own options
  // ("-style fusion") out of argc and argv, while QCoreApplication::arguments() would decode
  // names that are no UTF-8.
  const std::vector<std::string> files = Fotarium::Core::PictureArguments(argc, argv);
  const QString title = QString::fromUtf8(Fotarium::Core::ApplicationTitle.data(),
                                          static_cast<qsizetype>(Fotarium::Core::ApplicationTitle.size()));
  QApplication::setApplicationName(title);
  QApplication::setApplicationDisplayName(title);

  // German by default, English in an English locale; Qt's own buttons follow ("Ja", "Nein").
  Fotarium::App::InstallWindowLanguage(language);

  Fotarium::App::TForm1 form1;
  Fotarium::App::TForm2 form2(&form1);
  Fotarium::App::TForm3 form3(&form1);
  Fotarium::App::TForm4 form4(&form1);
  form1.SetDialogs(&form2, &form3, &form4);
  form1.show();

  if (!files.empty())
    QTimer::singleShot(0, &form1,
                       [&form1, files] { Fotarium::App::Guarded("commandline", [&] { form1.TakeFiles(files); }); });

  return QApplication::exec();
}
