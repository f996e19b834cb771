#include "app/Unit2.h"

namespace Fotarium::App {

TForm2::TForm2(QWidget* parent) : QDialog(parent) {}

} // namespace Fotarium::App
