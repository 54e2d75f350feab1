#pragma once

#include <thread>

/// Reads the system's font configuration on a thread of its own while the application object
/// connects to the display: the first window needs the fonts for its menus and captions, and
/// reading the configuration is the largest single cost of its start. Wait() before the first
/// widget; the destructor waits too.
class TFontWarmUp
{
public:
    TFontWarmUp();
    ~TFontWarmUp();
    TFontWarmUp(const TFontWarmUp &) = delete;
    TFontWarmUp &operator=(const TFontWarmUp &) = delete;

    void Wait();

private:
    std::thread Reader;
};
