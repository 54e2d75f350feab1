#pragma once

#include <thread>

/// What the first window needs that a thread of its own can do while the main thread creates the
/// application object, which mostly waits for the display server: loading the X11 client library
/// of Qt's display plugin (when the program will run on X11) and reading the system's font
/// configuration, the largest single cost of the start. Wait() before the first widget; the
/// destructor waits too.
class TStartAhead
{
public:
    explicit TStartAhead(bool x11);
    ~TStartAhead();
    TStartAhead(const TStartAhead &) = delete;
    TStartAhead &operator=(const TStartAhead &) = delete;

    void Wait();

private:
    std::thread Worker;
};
