#pragma once

#include <QDialog>

namespace Fotarium::App {

class TForm2 : public QDialog {
  Q_OBJECT

public:
  explicit TForm2(QWidget* parent = nullptr);
};

} // namespace Fotarium::App
