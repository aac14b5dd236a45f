#pragma once

#include <string_view>

#include <QColor>
#include <QFont>
#include <QFontDatabase>
#include <QString>
#include <QStringList>

#include "platform/form_description.h"

namespace tintcast::platform::qt {

// The form description's UTF-8 texts as Qt strings.
inline QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

inline QColor ToQColor(Rgb c) {
    return QColor(c.red, c.green, c.blue);
}

inline QFont ToQFont(const FontSpec& spec) {
    QFont font;
    QStringList families;
    for (const std::string_view family : spec.families) {
        families << ToQString(family);
    }
    // A missing family costs a fontconfig fallback search for every font loaded from
    // the list; the installed ones, in the same order, pick the same face.
    // QFontDatabase::hasFamily would ask fontconfig for aliases, at about the same cost.
    // Read once: every control with a font of its own comes through here at start.
    static const QStringList known = QFontDatabase::families();
    QStringList installed = families;
    installed.removeIf(
        [](const QString& family) { return !known.contains(family, Qt::CaseInsensitive); });
    if (!installed.isEmpty()) {
        families = installed;
    }
    if (!families.isEmpty()) {
        font.setFamilies(families);
    }
    if (spec.pointSize > 0) {
        font.setPointSize(spec.pointSize);
    }
    font.setWeight(static_cast<QFont::Weight>(spec.weight));
    return font;
}

}  // namespace tintcast::platform::qt
