#include "window/layout.h"

namespace tintcast::window {

namespace {
#include "window/tintcast.xpm"
}  // namespace

std::span<const char* const> AppIconXpm() {
    return tintcast_xpm;
}

}  // namespace tintcast::window
