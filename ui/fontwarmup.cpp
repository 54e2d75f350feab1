#include "ui/fontwarmup.h"

#include <fontconfig/fontconfig.h>

#include <system_error>

TFontWarmUp::TFontWarmUp()
{
    try {
        // Qt's own font database later finds the configuration loaded (fontconfig keeps one per
        // process, set atomically, so a reader racing this one is still safe).
        Reader = std::thread([] { FcInit(); });
    } catch (const std::system_error &) {
        // No thread to be had: Qt reads the configuration itself when it first needs it.
    }
}

TFontWarmUp::~TFontWarmUp()
{
    Wait();
}

void TFontWarmUp::Wait()
{
    if (Reader.joinable())
        Reader.join();
}
