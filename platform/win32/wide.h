#pragma once

#include <string>
#include <string_view>

namespace tintcast::platform::win32 {

// UTF-8 at the services' boundary, UTF-16 for the W functions.
std::wstring Widen(std::string_view utf8);
std::string Narrow(std::wstring_view utf16);

}  // namespace tintcast::platform::win32
