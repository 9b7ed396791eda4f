// The system services that the program uses besides windows and the loop: the process's own
// facts, the instance semaphore, run-time libraries, other processes' windows, the screen and
// the pointer, system-wide input observation, the registry, INI files and text. One
// implementation per backend; the headless one is scripted and records every call.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <string_view>

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

// An input event as a system-wide hook sees it: the window message it stands for (WM_KEYUP,
// WM_MOUSEMOVE, WM_LBUTTONDOWN, ...) and, for mouse events, the pointer's screen position.
struct InputEvent {
    uint32_t message = 0;
    Point position;
    bool has_position = false;
};

// An installed input hook; removed when the object goes away (also from inside its callback).
class InputHook {
public:
    virtual ~InputHook() = default;
};

// A value read from the registry as a 32-bit integer value.
struct RegistryDword {
    enum class Status { KeyMissing, ValueMissing, WrongType, Ok };
    Status status = Status::KeyMissing;
    uint32_t value = 0;
};

// The answer of the password library's verification routine.
enum class PasswordCheck { NoLibrary, NoEntryPoint, Accepted, Refused };

// A font as the program asks for it: face name, size in points, colour (0x00BBGGRR), weight.
struct TextStyle {
    std::string face;
    int point_size = 8;
    uint32_t color = 0;
    bool bold = false;
};

struct TextSize {
    int cx = 0;
    int cy = 0;
};

struct SemaphoreResult {
    std::unique_ptr<SystemHandle> handle;  // empty when creation failed
    bool already_exists = false;           // another holder had created it
};

// The system directory with the backslash rule applied (one is appended unless the text is
// empty or already ends in one), followed by the file name.
inline std::string SystemLibraryPath(std::string_view system_directory, std::string_view file_name) {
    std::string path(system_directory);
    if (!path.empty() && path.back() != '\\') path.push_back('\\');
    path += file_name;
    return path;
}

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

    // --- The screen and the pointer ---
    // The primary display's size in pixels.
    virtual TextSize PrimaryScreenSize() = 0;
    // Shows (true) or hides (false) the pointer once more; the system's display count after it.
    virtual int ShowCursor(bool show) = 0;
    // The pointer's position in screen pixels.
    virtual Point CursorPos() = 0;
    virtual void ReleaseCapture() = 0;
    // The colour (0x00BBGGRR) of a system colour index (COLOR_WINDOWTEXT is 8).
    virtual uint32_t SystemColor(int index) = 0;
    // Tells the system whether a screen saver runs (it then keeps its hot keys to itself).
    virtual void SetScreenSaverRunning(bool running) = 0;

    // --- System-wide input ---
    // Reports every key and mouse event of the desktop, also those meant for other processes,
    // to on_event on the main thread; every event is passed on to the system untouched. Empty
    // when no hook can be installed.
    virtual std::unique_ptr<InputHook> InstallInputHook(std::function<void(const InputEvent&)> on_event) = 0;

    // --- Settings ---
    // A value under HKEY_CURRENT_USER, with the key opened for reading only.
    virtual RegistryDword ReadUserDword(const std::string& key, const std::string& name) = 0;
    // Loads the library at library_path and asks its VerifyScreenSavePwd with window as the
    // owner of its dialog; frees the library.
    virtual PasswordCheck VerifyScreenSavePassword(const std::string& library_path, WindowHandle window) = 0;
    // The private-profile functions over the INI file at path (ANSI code page).
    virtual std::string ReadIniString(const std::string& path, const std::string& section, const std::string& key,
                                      const std::string& default_value) = 0;
    // False when the file cannot be written.
    virtual bool WriteIniString(const std::string& path, const std::string& section, const std::string& key,
                                const std::string& value) = 0;

    // While hand is set, every window of the program shows the hand pointer (over a link);
    // cleared, each shows its own again.
    virtual void SetApplicationCursor(bool hand) = 0;
    // Asks the shell to open ansi_file (the verb "open"; no parameters, no directory, shown
    // normally); the shell's answer is not examined.
    virtual void ShellOpen(WindowHandle owner, const std::string& ansi_file) = 0;

    // --- Text ---
    // The extent of one line of ansi_text in the font.
    virtual TextSize MeasureText(const TextStyle& style, const std::string& ansi_text) = 0;
    // Draws one line of ansi_text with its top-left corner at (x, y) of target, without a
    // background box; what falls outside target is cut off.
    virtual void PaintText(Bitmap& target, int x, int y, const TextStyle& style, const std::string& ansi_text) = 0;
};

}  // namespace scr
