// The system services that the program uses besides windows and the loop: the process's own
// facts, the instance semaphore, run-time libraries and other processes' windows. One
// implementation per backend; the headless one is scripted and records every call.
#pragma once

#include <memory>
#include <string>

#include "base/bitmap.h"
#include "base/geometry.h"
#include "gui/window.h"

namespace scr {

// A kernel object held open for the life of this object.
class SystemHandle {
public:
    virtual ~SystemHandle() = default;
};

// A canvas bound to a window's device context, released when the object goes away.
class WindowCanvas {
public:
    virtual ~WindowCanvas() = default;
    // Scales the picture into dest (right and bottom exclusive) with a filter fit for photographs.
    virtual void StretchDraw(const Rect& dest, const Bitmap& picture) = 0;
};

struct SemaphoreResult {
    std::unique_ptr<SystemHandle> handle;  // empty when creation failed
    bool already_exists = false;           // another holder had created it
};

class Services {
public:
    virtual ~Services() = default;

    // --- The process ---
    virtual std::string CommandLine() = 0;
    virtual std::string ModulePath() = 0;
    // The system directory as the system reports it. Throws when it cannot be had: a library
    // name without a directory would be searched for, and could load from anywhere.
    virtual std::string SystemDirectory() = 0;
    // A named semaphore (no security attributes, count 0, maximum 1).
    virtual SemaphoreResult CreateInstanceSemaphore(const std::string& name) = 0;
    // Loads the library at library_path; if it loaded and exports PwdChangePasswordA, calls it
    // with (key, window, 0, 0) and ignores the result; frees the library. A missing library or
    // entry point makes no call and no noise.
    virtual void CallPasswordChange(const std::string& library_path, const std::string& key,
                                    WindowHandle window) = 0;

    // --- Any process's windows, by handle ---
    virtual bool WindowExists(WindowHandle window) = 0;
    virtual bool WindowVisible(WindowHandle window) = 0;
    // The window's rectangle in screen coordinates, as the system reports it. Throws when the
    // handle names no window.
    virtual Rect WindowRectangle(WindowHandle window) = 0;
    // Throws when no device context can be had for the window.
    virtual std::unique_ptr<WindowCanvas> CanvasOnWindow(WindowHandle window) = 0;
};

}  // namespace scr
