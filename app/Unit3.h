#pragma once

#include <QDialog>

namespace Fotarium::App {

class TForm3 : public QDialog {
  Q_OBJECT

public:
  explicit TForm3(QWidget* parent = nullptr);
};

} // namespace Fotarium::App
