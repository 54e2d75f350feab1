#include "ui/startahead.h"

#include <dlfcn.h>
#include <fontconfig/fontconfig.h>

#include <system_error>

TStartAhead::TStartAhead(bool x11)
{
    try {
        Worker = std::thread([x11] {
            // Qt loads its X11 plugin early in the application object; the plugin's library and
            // the X client libraries behind it are then found loaded. The handle stays open: Qt
            // uses the library for the whole run.
            if (x11)
                ::dlopen("libQt6XcbQpa.so.6", RTLD_LAZY | RTLD_LOCAL);
            // Qt's font database later finds the configuration loaded (fontconfig keeps one per
            // process, set atomically, so a reader racing this one is still safe).
            FcInit();
        });
    } catch (const std::system_error &) {
        // No thread to be had: Qt does both itself when it first needs them.
    }
}

TStartAhead::~TStartAhead()
{
    Wait();
}

void TStartAhead::Wait()
{
    if (Worker.joinable())
        Worker.join();
}
