#pragma once

#include <QDialog>

namespace Fotarium::App {

class TForm4 : public QDialog {
  Q_OBJECT

public:
  explicit TForm4(QWidget* parent = nullptr);
};

} // namespace Fotarium::App
