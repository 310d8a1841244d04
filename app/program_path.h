#pragma once

#include <QString>

namespace fetchly {

// The path other programs should start us by: `fetchly` beside this binary
// when it is there (the desktop program runs as `fetchly-gui` behind it),
// else this binary itself.
QString ProgramPath();

} // namespace fetchly
