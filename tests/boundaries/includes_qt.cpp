// Compiled against a target's include path: it must fail for notation and window,
// whose code stays free of Qt, and succeed once Qt is on the path.
#include <QtCore/QObject>

#include "notation/color_text.h"
#include "window/main_window.h"
