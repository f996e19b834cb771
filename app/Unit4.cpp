#include "app/Unit4.h"

namespace Fotarium::App {

TForm4::TForm4(QWidget* parent) : QDialog(parent) {}

} // namespace Fotarium::App
