#pragma once

#include <string_view>

#include <QColor>
#include <QString>

#include "platform/form_description.h"

namespace tintcast::platform::qt {

// The form description's UTF-8 texts as Qt strings.
inline QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline QColor ToQColor(Rgb c) {
    return QColor(c.red, c.green, c.blue);
}

}  // namespace tintcast::platform::qt
