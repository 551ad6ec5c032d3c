#include "EmbeddedResources.h"
#include "app/Application.h"
#include "app/ApplicationScene.h"
#include "app/CommandLine.h"
#include "app/DisplayConnection.h"
#include "app/ProcessFaults.h"
#include "app/SceneLayout.h"
#include "app/SceneSession.h"
#include "app/ViewContextImpl.h"
#include "app/WindowIcon.h"
#include "app/WindowSettings.h"
#include "session/SessionFile.h"
#include "sound/LibraryNoise.h"

#include <SFML/Graphics/Image.hpp>

#include <cstdlib>
#include <iostream>
#include <string>

namespace {

void runDravik(const dravik::CommandLine_t& command)
{
    sf::Image icon;
    const bool haveIcon = dravik::decodeWindowIcon(icon, dravik::resources::windowIcon(), std::cerr);

    dravik::WindowSettings settings;
    settings.context = sf::ContextSettings(0, 0, 8, 4, 6, sf::ContextSettings::Default, false);
    settings.videoMode = sf::VideoMode(dravik::defaultWindowWidth, dravik::defaultWindowHeight, 32);
    settings.title = "Dravik v1.0 (Article 4)";
    settings.frameRateLimit = 60;
    settings.icon = haveIcon ? &icon : nullptr;

    // Before any sound object or window, and outliving them.
    const dravik::LibraryNoise libraryNoise(command.verbose);
    dravik::ViewContextImpl viewContext;
    dravik::Application application(settings);
    dravik::ApplicationScene scene(viewContext);
    const dravik::AbruptExitHook soundStop([&scene] { scene.stopSound(); });
    const std::filesystem::path sessionFile =
        dravik::sessionFilePath(std::getenv("XDG_CONFIG_HOME"), std::getenv("HOME"));
    bool keepSessionFile = false;
    if (!command.reset) {
        const dravik::SessionLoad_t load = dravik::loadSessionFile(sessionFile, dravik::captureSession(scene));
        for (const std::string& warning : load.warnings)
            std::cerr << "dravik: " << warning << '\n';
        if (load.found)
            dravik::restoreSession(scene, load.session);
        keepSessionFile = load.keepFile;
    }
    // A file named on the command line is meant to be heard; the others named
    // with it wait in the recent list, in their order below it.
    for (auto other = command.more.rbegin(); other != command.more.rend(); ++other)
        scene.rememberFile(*other);
    if (!command.file.empty() && scene.openFile(command.file))
        scene.setMuted(false);
    application.run(scene);
    // Also reached after SIGTERM, SIGINT, SIGHUP or SIGQUIT, which end the
    // frame loop cleanly.
    if (keepSessionFile) {
        std::cerr << "dravik: session: " << sessionFile.string()
                  << " could not be read at the start; it is left as it was and this session is not saved\n";
        return;
    }
    const std::string problem = dravik::saveSessionFile(sessionFile, dravik::captureSession(scene));
    if (!problem.empty())
        std::cerr << "dravik: " << problem << '\n';
}

} // namespace

int main(int argc, char** argv)
{
    const dravik::CommandLine_t command = dravik::parseCommandLine(argc, argv, std::cout, std::cerr);
    if (command.exitStatus)
        return *command.exitStatus;
    const dravik::DisplayConnection display;
    if (!display.isOpen()) {
        std::cerr << "dravik: no display. Dravik is a desktop program and needs a window system\n"
                     "(DISPLAY is unset or cannot be opened). Start it from a graphical session, or\n"
                     "run it on a virtual display with Xvfb:\n"
                     "  xvfb-run -a scripts/run.sh\n";
        return 1;
    }
    dravik::installStopSignalHandlers();
    dravik::installDisplayLossHandler();
    runDravik(command);
    return 0;
}
