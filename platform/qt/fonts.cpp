#include "platform/qt/fonts.h"

#include <QFontDatabase>
#include <QStringList>

#include "platform/qt/conversions.h"

namespace tintcast::platform::qt {

QFont ToQFont(const FontSpec& spec) {
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
    // Latin captions need no OpenType shaping (kerning, ligatures), and the Windows
    // build's GDI text has none either. Without it the first paint is spared harfbuzz
    // reading each face's layout tables: 2.5 M instructions, 3% of the start. Qt still
    // shapes the scripts that need it.
    font.setStyleStrategy(QFont::PreferNoShaping);
    return font;
}

}  // namespace tintcast::platform::qt
