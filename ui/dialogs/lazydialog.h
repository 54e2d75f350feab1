#pragma once

#include <functional>
#include <utility>

/// A dialog built on its first use, read like a pointer to it. The window opens faster when the
/// dialogs it may never show are not built with it; a dialog's content still lives as long as the
/// window, so whatever one use leaves is there for the next.
template <class T> class TLazyDialog
{
public:
    /// make builds the dialog (owned by its Qt parent); it runs once, on the first use.
    void SetMaker(std::function<T *()> make) { Make = std::move(make); }
    T *get()
    {
        if (!Instance)
            Instance = Make();
        return Instance;
    }
    T *operator->() { return get(); }
    T &operator*() { return *get(); }

private:
    std::function<T *()> Make;
    T *Instance = nullptr;
};
