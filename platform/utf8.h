#pragma once

#include <cstddef>
#include <cstdint>
#include <string_view>

namespace tintcast::platform {

// The handlers count text in characters: a UTF-8 sequence is one, whatever its bytes.
inline bool IsContinuationByte(char byte) {
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

inline std::int32_t CountCharacters(std::string_view utf8) {
    std::int32_t count = 0;
    for (const char byte : utf8) {
        count += IsContinuationByte(byte) ? 0 : 1;
    }
    return count;
}

// The byte offset `characters` characters into the text, at most its size.
inline std::size_t ByteOffset(std::string_view utf8, std::int32_t characters) {
    std::size_t offset = 0;
    for (std::int32_t counted = 0; counted < characters && offset < utf8.size(); ++counted) {
        ++offset;
        while (offset < utf8.size() && IsContinuationByte(utf8[offset])) {
            ++offset;
        }
    }
    return offset;
}

}  // namespace tintcast::platform
