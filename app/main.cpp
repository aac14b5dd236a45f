#include "platform/qt/application.h"
#include "platform/qt/form.h"
#include "platform/session/handover.h"
#include "platform/session/start.h"
#include "window/main_window.h"

// TINTCAST_VERSION is defined by the build from project(VERSION).
int main(int argc, char* argv[]) {
    using namespace tintcast;
    constexpr std::string_view kProgram = "tintcast";  // the executable's name, for messages
    const platform::session::Prepared prepared =
        platform::session::PrepareStart(argc, argv, kProgram);
    platform::qt::Application application(argc, argv,
                                          {.name = "Tintcast",
                                           .organization = "Olundar",
                                           .version = TINTCAST_VERSION,
                                           .desktopEntry = "org.olundar.Tintcast"});
    platform::session::Session session(prepared);
    platform::qt::QtForm form(window::MainFormSpec(), session.capabilities());
    session.OnCapabilitiesChanged([&form](const platform::Capabilities& capabilities) {
        form.SetCapabilities(capabilities);
    });
    window::frmMain frmMain(form);
    form.Load(frmMain);
    const int status = application.Run();
    platform::session::KeepClipboardAfterExit(kProgram, session.WaylandOffersDataControl());
    return status;
}
