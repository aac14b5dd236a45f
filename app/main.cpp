#include "platform/qt/application.h"
#include "platform/qt/qt_form.h"
#include "window/main_window.h"

int main(int argc, char* argv[]) {
    using namespace tintcast;
    platform::qt::Application application(argc, argv,
                                          {.program = "tintcast",
                                           .name = "Tintcast",
                                           .organization = "Olundar",
                                           .version = "1.00",
                                           .desktopEntry = "org.olundar.Tintcast"});
    platform::qt::QtForm form(window::MainFormSpec(), application.capabilities());
    application.OnCapabilitiesChanged([&form](const platform::qt::Capabilities& capabilities) {
        form.SetCapabilities(capabilities);
    });
    window::frmMain frmMain(form);
    form.Load(frmMain);
    return application.Run();
}
