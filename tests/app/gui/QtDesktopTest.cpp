// Qt's own desktop: which of the German buttons gives which result. A wrong mapping would
// turn "Nein" on "endgültig löschen?" into a deleted photograph.

#include "app/Desktop.h"

#include <QAbstractButton>
#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QMessageBox>
#include <QTimer>
#include <QTranslator>

#include <gtest/gtest.h>

using Fotarium::App::TMessageButtons;
using Fotarium::App::TModalResult;

namespace {

// Clicks the button with the given text on the message box as soon as it is up, and notes
// every button text it saw.
void ClickWhenShown(const QString& text, QStringList& seen) {
  auto* timer = new QTimer();
  timer->setInterval(10);
  QObject::connect(timer, &QTimer::timeout, timer, [timer, text, &seen] {
    auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
    if (box == nullptr)
      return;
    timer->stop();
    timer->deleteLater();
    for (QAbstractButton* button : box->buttons())
      seen << button->text().remove(QLatin1Char('&'));
    for (QAbstractButton* button : box->buttons())
      if (button->text().remove(QLatin1Char('&')) == text) {
        button->click();
        return;
      }
    box->reject(); // the button is missing: the test sees the wrong answer
  });
  timer->start();
}

} // namespace

TEST(QtDesktop, GermanButtonsGiveTheirResults) {
  QTranslator translator;
  ASSERT_TRUE(translator.load(QLocale(QLocale::German), QStringLiteral("qtbase"), QStringLiteral("_"),
                              QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
      << "Qt's German translations are installed with the program's packages";
  QApplication::installTranslator(&translator);
  const std::unique_ptr<Fotarium::App::IDesktop> desktop = Fotarium::App::CreateQtDesktop();

  struct TCase {
    TMessageButtons Buttons;
    const char* Click;
    TModalResult Expected;
    QStringList Shown;
  };
  const TCase cases[] = {
      {TMessageButtons::mbYesNo, "Ja", TModalResult::mrYes, {"Ja", "Nein"}},
      {TMessageButtons::mbYesNo, "Nein", TModalResult::mrNo, {"Ja", "Nein"}},
      {TMessageButtons::mbYesAbort, "Ja", TModalResult::mrYes, {"Ja", "Abbrechen"}},
      {TMessageButtons::mbYesAbort, "Abbrechen", TModalResult::mrAbort, {"Ja", "Abbrechen"}},
      {TMessageButtons::mbOK, "OK", TModalResult::mrOk, {"OK"}},
  };
  for (const TCase& c : cases) {
    SCOPED_TRACE(c.Click);
    QStringList seen;
    ClickWhenShown(QString::fromUtf8(c.Click), seen);
    EXPECT_EQ(desktop->MessageBox(nullptr, QStringLiteral("Frage"), c.Buttons), c.Expected);
    seen.sort();
    QStringList shown = c.Shown;
    shown.sort();
    EXPECT_EQ(seen, shown);
  }
  QApplication::removeTranslator(&translator);
}
