#pragma once

#include <functional>

/// The window's flag of unsaved changes. It reads and assigns like a bool, and every assignment
/// also calls OnSet: each command that changes the project sets the flag, so whoever shows the
/// project (the week chart) hears of every change without each command telling it.
class TChangeFlag
{
public:
    TChangeFlag() = default;
    TChangeFlag(const TChangeFlag &) = delete;
    TChangeFlag &operator=(const TChangeFlag &) = delete;

    TChangeFlag &operator=(bool value)
    {
        Value = value;
        if (OnSet)
            OnSet();
        return *this;
    }
    operator bool() const { return Value; }

    std::function<void()> OnSet;

private:
    bool Value = false;
};
