#include "Icons.h"

// The resource sits in a static library: registering it by hand keeps the
// linker from dropping it.
static void registerIconResource() { Q_INIT_RESOURCE(kr70icons); }

namespace kr70::ui {

QIcon kr70Icon(const QString& name) {
  static const bool registered = (registerIconResource(), true);
  (void)registered;
  return QIcon(QStringLiteral(":/icons/%1.svg").arg(name));
}

}  // namespace kr70::ui
