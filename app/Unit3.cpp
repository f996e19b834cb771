#include "app/Unit3.h"

namespace Fotarium::App {

TForm3::TForm3(QWidget* parent) : QDialog(parent) {}

} // namespace Fotarium::App
