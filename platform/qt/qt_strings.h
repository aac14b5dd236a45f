#pragma once

#include <string_view>

#include <QString>

namespace tintcast::platform::qt {

// The form description's UTF-8 texts as Qt strings.
inline QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

}  // namespace tintcast::platform::qt
