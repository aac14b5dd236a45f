#pragma once

#include <cstdint>
#include <string_view>

namespace tintcast::platform {

// The services count text offsets in characters; both toolkits' edit boxes count
// UTF-16 units, two for a character beyond U+FFFF. Returns the unit offset
// `characters` characters after `from`, within the text.
template <typename Unit>
int AdvanceCharacters(std::basic_string_view<Unit> text, int from, std::int32_t characters) {
    static_assert(sizeof(Unit) == 2, "UTF-16 code units");
    const auto isHigh = [](Unit unit) {
        return (static_cast<unsigned>(unit) & 0xFC00u) == 0xD800u;
    };
    const auto isLow = [](Unit unit) { return (static_cast<unsigned>(unit) & 0xFC00u) == 0xDC00u; };
    const int size = static_cast<int>(text.size());
    int position = from < 0 ? 0 : (from > size ? size : from);
    for (std::int32_t counted = 0; counted < characters && position < size; ++counted) {
        const auto at = static_cast<std::size_t>(position);
        position += isHigh(text[at]) && position + 1 < size && isLow(text[at + 1]) ? 2 : 1;
    }
    return position;
}

}  // namespace tintcast::platform
