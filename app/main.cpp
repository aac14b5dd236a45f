#include "platform/qt/application.h"
#include "platform/qt/form.h"
#include "window/main_window.h"

// TINTCAST_VERSION is defined by the build from project(VERSION).
int main(int argc, char* argv[]) {
    using namespace tintcast;
    platform::qt::Application application(argc, argv,
                                          {.program = "tintcast",
                                           .name = "Tintcast",
                                           .organization = "Olundar",
                                           .version = TINTCAST_VERSION,
                                           .desktopEntry = "org.olundar.Tintcast"});
    platform::qt::QtForm form(window::MainFormSpec(), application.capabilities());
    application.OnCapabilitiesChanged([&form](const platform::Capabilities& capabilities) {
        form.SetCapabilities(capabilities);
    });
    window::frmMain frmMain(form);
    form.Load(frmMain);
    return application.Run();
}
