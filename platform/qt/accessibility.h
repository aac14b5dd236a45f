#pragma once

namespace tintcast::platform::qt {

// Installs, once, what screen readers need beyond Qt's own: bars that report the form
// value rather than the inner one, frames as groupings and the top-level window as a
// window with a title.
void InstallAccessibility();

}  // namespace tintcast::platform::qt
