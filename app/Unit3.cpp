#include "app/Unit3.h"

#include "app/Desktop.h"

#include <QButtonGroup>
#include <QGroupBox>
#include <QHeaderView>
#include <QPushButton>
#include <QRadioButton>
#include <QShowEvent>
#include <QTableWidget>
#include <QVBoxLayout>

namespace Fotarium::App {

namespace {

constexpr int GridRows = 4;
constexpr int GridColumns = 2;

QString ItemText(const QTableWidget& grid, int row, int col) {
  const QTableWidgetItem* item = grid.item(row, col);
  return item != nullptr ? item->text() : QString();
}

} // namespace

TForm3::TForm3(QWidget* parent)
    : QDialog(parent), StringGrid1(new QTableWidget(GridRows, GridColumns, this)),
      RadioGroup1(new QGroupBox(tr("ClipBoard-Format"), this)),
      RadioItem0(new QRadioButton(tr("Grad, min, sec"), RadioGroup1)),
      RadioItem1(new QRadioButton(tr("dezimal"), RadioGroup1)),
      btn_from_Clpb(new QPushButton(tr("Breite und Länge aus Zwischenablage"), this)),
      btn_toClpb(new QPushButton(tr("Breite und Länge in Zwischenablage"), this)),
      Button1(new QPushButton(tr("In Hauptfenster übernehmen"), this)),
      Button2(new QPushButton(tr("Abbrechen"), this)) {
  setObjectName(QStringLiteral("Form3"));
  setWindowTitle(tr("GPS-Daten editieren"));
  setModal(true);

  // A grid with one fixed caption row and no fixed column: the caption row is the grid's
  // row 0, not editable and drawn like a header.
  StringGrid1->setObjectName(QStringLiteral("StringGrid1"));
  StringGrid1->setAccessibleName(tr("GPS-Daten"));
  StringGrid1->horizontalHeader()->hide();
  StringGrid1->verticalHeader()->hide();
  StringGrid1->setSelectionMode(QAbstractItemView::ContiguousSelection);
  StringGrid1->setEditTriggers(QAbstractItemView::DoubleClicked | QAbstractItemView::EditKeyPressed |
                               QAbstractItemView::AnyKeyPressed);
  for (int col = 0; col < GridColumns; ++col)
    StringGrid1->setColumnWidth(col, 250);
  for (int row = 0; row < GridRows; ++row) {
    StringGrid1->setRowHeight(row, 24);
    for (int col = 0; col < GridColumns; ++col) {
      auto* item = new QTableWidgetItem();
      if (row == 0) {
        item->setFlags(Qt::ItemIsEnabled);
        item->setBackground(palette().button());
      }
      StringGrid1->setItem(row, col, item);
    }
  }
  StringGrid1->setGeometry(0, 0, 512, 2 + GridRows * 24 + 2);

  RadioGroup1->setObjectName(QStringLiteral("RadioGroup1"));
  RadioItem0->setObjectName(QStringLiteral("RadioGroup1Item0"));
  RadioItem1->setObjectName(QStringLiteral("RadioGroup1Item1"));
  auto* radioLayout = new QVBoxLayout(RadioGroup1);
  radioLayout->addWidget(RadioItem0);
  radioLayout->addWidget(RadioItem1);
  RadioItem0->setChecked(true);
  RadioGroup1->setGeometry(8, 106, 200, 70);

  btn_from_Clpb->setObjectName(QStringLiteral("btn_from_Clpb"));
  btn_toClpb->setObjectName(QStringLiteral("btn_toClpb"));
  Button1->setObjectName(QStringLiteral("Button1"));
  Button2->setObjectName(QStringLiteral("Button2"));
  btn_from_Clpb->setGeometry(224, 110, 280, 28);
  btn_toClpb->setGeometry(224, 146, 280, 28);
  Button1->setGeometry(8, 183, 240, 28);
  Button2->setGeometry(264, 183, 240, 28);

  connect(btn_from_Clpb, &QPushButton::clicked, this, [this] { Guarded([this] { btn_from_ClpbClick(); }); });
  connect(btn_toClpb, &QPushButton::clicked, this, [this] { Guarded([this] { btn_toClpbClick(); }); });
  connect(Button1, &QPushButton::clicked, this, &QDialog::accept);
  connect(Button2, &QPushButton::clicked, this, &QDialog::reject);
  resize(512, 217);
}

void TForm3::SetSourceRows(const std::array<TRow, 4>& rows) { FSourceRows = rows; }

QString TForm3::Cells(int col, int row) const {
  if (col < 0 || col >= GridColumns || row < 0 || row >= GridRows)
    return {};
  return ItemText(*StringGrid1, row, col);
}

void TForm3::SetCells(int col, int row, const QString& text) {
  if (col < 0 || col >= GridColumns || row < 0 || row >= GridRows)
    return;
  StringGrid1->item(row, col)->setText(text);
}

Core::TGPSClipboardFormat TForm3::ClipboardFormat() const {
  return RadioItem1->isChecked() ? Core::TGPSClipboardFormat::gcDecimal
                                 : Core::TGPSClipboardFormat::gcDegreesMinutesSeconds;
}

void TForm3::SetClipboardFormat(Core::TGPSClipboardFormat format) {
  (format == Core::TGPSClipboardFormat::gcDecimal ? RadioItem1 : RadioItem0)->setChecked(true);
}

// Each showing starts from the given rows again: edits made before a cancel are gone.
void TForm3::FormActivate() {
  for (int row = 0; row < GridRows; ++row)
    for (int col = 0; col < GridColumns; ++col)
      SetCells(col, row, FSourceRows[static_cast<std::size_t>(row)][static_cast<std::size_t>(col)]);
}

void TForm3::btn_from_ClpbClick() {
  const auto cells = Core::CellsFromClipboard(Desktop().ClipboardText().toStdString(), ClipboardFormat());
  SetCells(1, 1, QString::fromStdString(cells.Latitude));
  SetCells(1, 2, QString::fromStdString(cells.Longitude));
}

void TForm3::btn_toClpbClick() {
  const Core::TGPSCellTexts cells{Latitude().toStdString(), Longitude().toStdString()};
  Desktop().SetClipboardText(QString::fromStdString(Core::ClipboardFromCells(cells, ClipboardFormat())));
}

// Shown, not merely activated: coming back from another program (to copy a position, say)
// must not wipe what was typed.
void TForm3::showEvent(QShowEvent* event) {
  QDialog::showEvent(event);
  if (!event->spontaneous())
    FormActivate();
}

} // namespace Fotarium::App
