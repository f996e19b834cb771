// The three dialogs under the offscreen platform: captions, sizes, controls by their
// design names, and what they take in and give out.

#include "app/Desktop.h"
#include "app/Unit2.h"
#include "app/Unit3.h"
#include "app/Unit4.h"
#include "app/gui/ScriptedDesktop.h"

#include "platform/DateTime.h"

#include <QDateEdit>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>
#include <QRadioButton>
#include <QTableWidget>
#include <QTimeEdit>
#include <QTimer>

#include <gtest/gtest.h>

using namespace Fotarium::App;

namespace {

template <typename T> T* Child(QWidget& parent, const char* name) {
  auto* child = parent.findChild<T*>(QString::fromLatin1(name));
  EXPECT_NE(child, nullptr) << name;
  return child;
}

QString Text(QWidget& parent, const char* name) {
  auto* button = Child<QAbstractButton>(parent, name);
  return button != nullptr ? button->text() : QString();
}

QStringList RadioTexts(QWidget& dialog) {
  QStringList texts;
  if (auto* group = Child<QGroupBox>(dialog, "RadioGroup1"))
    for (auto* item : group->findChildren<QRadioButton*>())
      texts << item->text() + (item->isChecked() ? QStringLiteral(" *") : QString());
  return texts;
}

// Runs the dialog modally through Qt's desktop and clicks the named button once it is up.
TModalResult RunAndClick(QDialog& dialog, const char* button) {
  QTimer::singleShot(0, &dialog, [&dialog, button] {
    if (auto* b = dialog.findChild<QPushButton*>(QString::fromLatin1(button)))
      b->click();
    else
      dialog.reject();
  });
  return Desktop().ExecDialog(dialog);
}

} // namespace

TEST(Dialogs, DateDialogTakesThePresetAndComposesThePickers) {
  TForm2 form;
  EXPECT_EQ(form.objectName(), "Form2");
  EXPECT_EQ(form.windowTitle(), "Aufnahmedatum und Zeit angeben");
  EXPECT_EQ(form.size(), QSize(372, 175));
  const auto flags = form.windowFlags();
  EXPECT_TRUE(flags.testFlag(Qt::CustomizeWindowHint) && flags.testFlag(Qt::WindowTitleHint));
  EXPECT_FALSE(flags.testFlag(Qt::WindowCloseButtonHint) || flags.testFlag(Qt::WindowSystemMenuHint) ||
               flags.testFlag(Qt::WindowMinMaxButtonsHint))
      << "no title-bar buttons";
  auto* label = Child<QLabel>(form, "Label1");
  ASSERT_NE(label, nullptr);
  EXPECT_TRUE(label->wordWrap());
  EXPECT_EQ(label->geometry(), QRect(24, 16, 329, 74));
  auto* datePicker = Child<QDateEdit>(form, "DateTimePicker1");
  auto* timePicker = Child<QTimeEdit>(form, "DateTimePicker2");
  ASSERT_TRUE(datePicker != nullptr && timePicker != nullptr);
  EXPECT_TRUE(datePicker->calendarPopup());
  EXPECT_EQ(Text(form, "Button1"), "Abbrechen");
  EXPECT_EQ(Text(form, "Button2"), "Ok");

  const auto taken = Platform::EncodeDateTime(2016, 9, 23, 13, 26, 52, 0);
  form.ApplyPreset(
      {taken, 214, "a.jpg hat noch kein gültiges Aufnahmedatum!\r\nEs wird das heutige Datum vorgeschlagen."});
  EXPECT_EQ(form.height(), 214);
  EXPECT_TRUE(label->text().startsWith("a.jpg hat noch kein"));
  EXPECT_EQ(datePicker->date(), QDate(2016, 9, 23));
  EXPECT_EQ(timePicker->time(), QTime(13, 26, 52));
  EXPECT_GT(datePicker->y(), label->geometry().bottom()) << "the taller dialog shows the hint above the pickers";
  EXPECT_EQ(form.PickedDateTime(), taken);
  form.ApplyPreset({taken, 140, ""});
  EXPECT_EQ(form.height(), 140);
  EXPECT_LE(datePicker->geometry().bottom(), 140);
  EXPECT_TRUE(label->text().isEmpty());

  datePicker->setDate(QDate(2021, 5, 1));
  timePicker->setTime(QTime(23, 59, 0));
  EXPECT_EQ(form.PickedDateTime(), Platform::EncodeDateTime(2021, 5, 1, 23, 59, 0, 0));
  datePicker->setDate(QDate(1200, 1, 1));
  EXPECT_EQ(form.DatePickerValue(), Platform::EncodeDate(1200, 1, 1)) << "dates before 1752 are reachable";

  EXPECT_EQ(RunAndClick(form, "Button2"), TModalResult::mrOk);
  EXPECT_EQ(RunAndClick(form, "Button1"), TModalResult::mrCancel);
}

TEST(Dialogs, GPSDialogCopiesItsRowsEachTimeItIsShown) {
  QWidget mainWindow;
  TForm3 form(&mainWindow);
  // The main window's caption row and its latitude, longitude and altitude rows.
  form.SetSourceRows({{{"Eigenschaft", "Wert"},
                       {"Geographische Breite", "48°8'15,3\"N"},
                       {"Geographische Länge", "11°34'31,2\"E"},
                       {"Geographische Höhe", "519"}}});
  EXPECT_EQ(form.objectName(), "Form3");
  EXPECT_EQ(form.windowTitle(), "GPS-Daten editieren");
  EXPECT_EQ(form.size(), QSize(512, 217));
  auto* grid = Child<QTableWidget>(form, "StringGrid1");
  ASSERT_NE(grid, nullptr);
  EXPECT_EQ(grid->rowCount(), 4);
  EXPECT_EQ(grid->columnCount(), 2);
  EXPECT_EQ(grid->columnWidth(0), 250);
  EXPECT_EQ(grid->columnWidth(1), 250);
  EXPECT_EQ(grid->rowHeight(3), 24);
  EXPECT_FALSE(grid->item(0, 1)->flags().testFlag(Qt::ItemIsEditable)) << "the caption row is fixed";
  EXPECT_TRUE(grid->item(1, 1)->flags().testFlag(Qt::ItemIsEditable));
  EXPECT_EQ(Child<QGroupBox>(form, "RadioGroup1")->title(), "ClipBoard-Format");
  EXPECT_EQ(RadioTexts(form), (QStringList{"Grad, min, sec *", "dezimal"}));
  EXPECT_EQ(Text(form, "btn_from_Clpb"), "Breite und Länge aus Zwischenablage");
  EXPECT_EQ(Text(form, "btn_toClpb"), "Breite und Länge in Zwischenablage");
  EXPECT_EQ(Text(form, "Button1"), "In Hauptfenster übernehmen");
  EXPECT_EQ(Text(form, "Button2"), "Abbrechen");

  form.show();
  EXPECT_EQ(form.Cells(0, 0), "Eigenschaft");
  EXPECT_EQ(form.Cells(1, 0), "Wert");
  EXPECT_EQ(form.Cells(0, 1), "Geographische Breite");
  EXPECT_EQ(form.Latitude(), "48°8'15,3\"N");
  EXPECT_EQ(form.Longitude(), "11°34'31,2\"E");
  EXPECT_EQ(form.Cells(1, 3), "519");
  form.SetCells(1, 1, "typed and then cancelled");
  form.hide();
  form.show();
  EXPECT_EQ(form.Latitude(), "48°8'15,3\"N") << "each showing starts from the given rows again";
  form.hide();

  // A dialog without a main window.
  TForm3 lone;
  lone.SetSourceRows({{{"A", "B"}, {"Breite", "1°2'3\"N"}, {"Länge", "4°5'6\"W"}, {"Höhe", ""}}});
  lone.FormActivate();
  EXPECT_EQ(lone.Cells(0, 0), "A");
  EXPECT_EQ(lone.Longitude(), "4°5'6\"W");
}

TEST(Dialogs, GPSDialogExchangesBothClipboardFormats) {
  TScriptedDesktopScope desktop;
  TForm3 form;
  auto* from = Child<QPushButton>(form, "btn_from_Clpb");
  auto* to = Child<QPushButton>(form, "btn_toClpb");
  auto* decimal = form.findChildren<QRadioButton*>().value(1);
  ASSERT_TRUE(from != nullptr && to != nullptr && decimal != nullptr);

  // The process runs with the English profile: DMS texts show a point.
  desktop->Clipboard = "48°8'15.3\"N 11°34'31.2\"E";
  from->click();
  EXPECT_EQ(form.Latitude(), "48°8'15.3\"N");
  EXPECT_EQ(form.Longitude(), "11°34'31.2\"E");
  to->click();
  EXPECT_EQ(desktop->Clipboard, "48°8'15.3\"N 11°34'31.2\"E");

  decimal->click();
  EXPECT_EQ(form.ClipboardFormat(), Fotarium::Core::TGPSClipboardFormat::gcDecimal);
  to->click();
  EXPECT_EQ(desktop->Clipboard, "48.137583, 11.575333");
  desktop->Clipboard = "-33.4475, -70.6483";
  from->click();
  EXPECT_EQ(form.Latitude(), "33° 26'51.00\"S");
  EXPECT_EQ(form.Longitude(), "70° 38'53.88\"W");
  to->click();
  EXPECT_EQ(desktop->Clipboard, "-33.4475, -70.6483") << "the hemispheres survive the round trip";

  form.show();
  form.hide();
  EXPECT_EQ(form.ClipboardFormat(), Fotarium::Core::TGPSClipboardFormat::gcDecimal) << "the choice is kept";

  desktop->DialogAnswers.push_back([](QDialog& d) {
    EXPECT_EQ(d.objectName(), "Form3");
    return TModalResult::mrOk;
  });
  EXPECT_EQ(Desktop().ExecDialog(form), TModalResult::mrOk);
}

TEST(Dialogs, GPSDialogButtonsCloseWithOkAndCancel) {
  TForm3 form;
  EXPECT_EQ(RunAndClick(form, "Button1"), TModalResult::mrOk);
  EXPECT_EQ(RunAndClick(form, "Button2"), TModalResult::mrCancel);
}

TEST(Dialogs, CaptureDateDialogKeepsItsValuesAndTellsAbortApart) {
  TForm4 form;
  EXPECT_EQ(form.objectName(), "Form4");
  EXPECT_EQ(form.windowTitle(), "Bitte Aufnahmedatum wählen");
  EXPECT_EQ(form.size(), QSize(297, 191));
  auto* datePicker = Child<QDateEdit>(form, "DateTimePicker1");
  auto* timePicker = Child<QTimeEdit>(form, "DateTimePicker2");
  ASSERT_TRUE(datePicker != nullptr && timePicker != nullptr);
  EXPECT_TRUE(datePicker->calendarPopup());
  EXPECT_EQ(Child<QGroupBox>(form, "RadioGroup1")->title(), "Aufnahmedatum");
  EXPECT_EQ(RadioTexts(form), (QStringList{"nur für Dateinamen verwenden *", "auch in die Exif-Daten eintragen"}));
  EXPECT_EQ(Text(form, "Button1"), "Abbruch");
  EXPECT_EQ(Text(form, "Button2"), "OK");
  EXPECT_FALSE(form.WriteIntoExif());

  datePicker->setDate(QDate(2021, 5, 1));
  timePicker->setTime(QTime(23, 59, 0));
  form.findChildren<QRadioButton*>().value(1)->click();
  EXPECT_EQ(RunAndClick(form, "Button2"), TModalResult::mrOk);
  EXPECT_FALSE(form.ClosedWithAbort());
  EXPECT_EQ(form.PickedDateTime(), Platform::EncodeDateTime(2021, 5, 1, 23, 59, 0, 0));
  EXPECT_TRUE(form.WriteIntoExif());

  EXPECT_EQ(RunAndClick(form, "Button1"), TModalResult::mrCancel) << "Abort is no OK";
  EXPECT_TRUE(form.ClosedWithAbort());
  EXPECT_EQ(form.result(), TForm4::AbortResult);
  EXPECT_EQ(form.PickedDateTime(), Platform::EncodeDateTime(2021, 5, 1, 23, 59, 0, 0)) << "values are kept";
  EXPECT_EQ(form.ItemIndex(), 1);

  QTimer::singleShot(0, &form, [&form] { form.reject(); });
  EXPECT_EQ(Desktop().ExecDialog(form), TModalResult::mrCancel);
  EXPECT_FALSE(form.ClosedWithAbort()) << "Escape is a cancel, not the Abort button";
}
