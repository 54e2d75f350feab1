// The window program: the empty project, the application object, the main window and its loop.
#include "ui/sigcfg.h"
#include "model/type.h"
#include "ui/application.h"
#include "ui/prompts.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>

namespace {

bool IsSet(const char *name)
{
    const char *value = std::getenv(name);
    return value && *value;
}

// Without a display Qt would end with an abort and a page of plugin advice; one line is kinder.
// Returns what is missing, or nothing when a display (or a platform that needs none) is there.
const char *MissingDisplay()
{
    const char *platform = std::getenv("QT_QPA_PLATFORM");
    if (platform && *platform && std::strncmp(platform, "xcb", 3) != 0)
        return nullptr; // offscreen, wayland, vnc ...: Qt knows what it needs
    if (platform && *platform)
        return IsSet("DISPLAY") ? nullptr : "DISPLAY is not set";
    return IsSet("DISPLAY") || IsSet("WAYLAND_DISPLAY") ? nullptr : "neither DISPLAY nor WAYLAND_DISPLAY is set";
}

} // namespace

int main(int argc, char **argv)
{
    if (const char *missing = MissingDisplay()) {
        std::fprintf(stderr, "sigcfg: no display (%s); start it inside a desktop session\n", missing);
        return 1;
    }

    TProject project;
    ResetProject(project);

    // The program takes no arguments: Qt sees only the program name, so none of its own
    // options (-platform, -style ...) apply either.
    char programName[] = "sigcfg";
    int qtArgc = 1;
    char *qtArgv[] = {argc > 0 && argv[0] ? argv[0] : programName, nullptr};
    TSigApplication app(qtArgc, qtArgv);
    TRealPrompts prompts;
    try {
        TfrMain frMain(project, prompts);
        prompts.SetParent(&frMain);
        frMain.show();
        return app.exec();
    } catch (...) {
        // A failure while starting up is shown like any other, and the run still ends normally.
        ShowException(std::current_exception());
    }
    return 0;
}
