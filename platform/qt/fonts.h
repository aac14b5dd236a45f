#pragma once

#include <QFont>

#include "platform/form_description.h"

namespace tintcast::platform::qt {

// The face of a font description: the first of its families that is installed.
QFont ToQFont(const FontSpec& spec);

}  // namespace tintcast::platform::qt
