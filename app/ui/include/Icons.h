// The workstation's own icons: SVG files compiled in as resources
// (app/ui/icons/, :/icons/<name>.svg) and drawn by Qt's SVG icon engine, so
// they are crisp at every size and device pixel ratio.
#pragma once

#include <QIcon>
#include <QString>

namespace kr70::ui {

// The icon :/icons/<name>.svg ("open", "save", ..., "kr70" for the window).
QIcon kr70Icon(const QString& name);

}  // namespace kr70::ui
