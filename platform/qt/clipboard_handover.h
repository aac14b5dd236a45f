#pragma once

namespace tintcast::platform::qt {

// Called after the event loop, while the application object still exists. Where the
// program owns the clipboard and no clipboard manager runs, starts the keeper, a
// small process that serves the text until another program takes the clipboard.
// Where a manager runs, the application object hands the text over as it ends.
void KeepClipboardAfterExit();

}  // namespace tintcast::platform::qt
