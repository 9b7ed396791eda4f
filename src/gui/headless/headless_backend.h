// The headless backend: the backend table over HeadlessApplication, HeadlessWindow and scripted
// system services. Every service call, and the application's lifecycle, is appended to one text
// log in order, so tests can check the sequence of a whole program.
#pragma once

#include <deque>
#include <functional>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "gui/backend.h"
#include "gui/headless/headless_application.h"
#include "gui/headless/headless_automation.h"
#include "gui/headless/headless_media.h"
#include "gui/headless/headless_window.h"

namespace scr {

class HeadlessServices : public Services {
public:
    explicit HeadlessServices(std::vector<std::string>& log) : log_(log) {}

    // --- The script ---
    std::string command_line;
    std::string module_path = "C:\\savers\\Example.scr";
    std::string system_directory = "C:\\WINDOWS\\SYSTEM";
    bool semaphore_exists = false;  // another instance holds the semaphore
    bool semaphore_fails = false;   // no handle comes back
    // Answers to visibility tests of other windows, one per test (the last one repeats).
    std::deque<bool> visible{true};
    bool window_exists = true;
    Rect window_rect{100, 200, 252, 312};

    TextSize screen_size{1024, 768};
    Point cursor_pos{512, 384};
    // The registry under HKEY_CURRENT_USER: key -> value name -> value. A key that is not here
    // cannot be opened.
    std::map<std::string, std::map<std::string, RegistryDword>> registry;
    // Password libraries by path: whether it has the entry point, and its answers in turn
    // (true: the user may leave; the last answer repeats). A path not here does not load.
    struct PasswordLibrary {
        bool has_entry = true;
        std::deque<bool> answers{true};
    };
    std::map<std::string, PasswordLibrary> password_libraries;
    // INI files by path, as their text; paths in ini_read_only refuse writes.
    std::map<std::string, std::string> ini_files;
    std::set<std::string> ini_read_only;
    // Whether an input hook can be installed.
    bool hooks_available = true;

    // --- What the program did ---
    int cursor_count = 0;  // the system's display count: 0 shown, below 0 hidden
    bool screen_saver_running = false;
    bool application_cursor_hand = false;
    bool hook_installed() const { return bool(hook_); }
    // Sends an event to the installed hook, as the system would (nothing when none is).
    void FireHookEvent(const InputEvent& event);

    // Services
    std::string CommandLine() override { return command_line; }
    std::string ModulePath() override { return module_path; }
    std::string SystemDirectory() override { return system_directory; }
    SemaphoreResult CreateInstanceSemaphore(const std::string& name) override;
    void CallPasswordChange(const std::string& library_path, const std::string& key, WindowHandle window) override;
    bool WindowExists(WindowHandle window) override;
    bool WindowVisible(WindowHandle window) override;
    Rect WindowRectangle(WindowHandle window) override;
    std::unique_ptr<WindowCanvas> CanvasOnWindow(WindowHandle window) override;
    TextSize PrimaryScreenSize() override { return screen_size; }
    int ShowCursor(bool show) override;
    Point CursorPos() override { return cursor_pos; }
    // The classic defaults of the system colours.
    uint32_t SystemColor(int index) override;
    void ReleaseCapture() override { log_.push_back("release capture"); }
    void SetScreenSaverRunning(bool running) override;
    std::unique_ptr<InputHook> InstallInputHook(std::function<void(const InputEvent&)> on_event) override;
    RegistryDword ReadUserDword(const std::string& key, const std::string& name) override;
    PasswordCheck VerifyScreenSavePassword(const std::string& library_path, WindowHandle window) override;
    std::string ReadIniString(const std::string& path, const std::string& section, const std::string& key,
                              const std::string& default_value) override;
    bool WriteIniString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) override;
    void SetApplicationCursor(bool hand) override {
        application_cursor_hand = hand;
        log_.push_back(hand ? "cursor hand" : "cursor default");
    }
    void ShellOpen(WindowHandle owner, const std::string& ansi_file) override {
        log_.push_back("shell open " + ansi_file + " owner " + std::to_string(owner));
    }
    // Deterministic metrics: every character is 3/5 of the point size wide, the line 4/3 high.
    TextSize MeasureText(const TextStyle& style, const std::string& ansi_text) override;
    // Fills the text's box with its colour, so tests see where it went.
    void PaintText(Bitmap& target, int x, int y, const TextStyle& style, const std::string& ansi_text) override;

private:
    std::vector<std::string>& log_;
    std::function<void(const InputEvent&)> hook_;
    int hook_serial_ = 0;
};

class HeadlessBackend : public Backend {
public:
    HeadlessBackend() : services_(log) {}

    // Every service call and lifecycle event, in order.
    std::vector<std::string> log;
    HeadlessServices& script() { return services_; }
    HeadlessCom com{log};  // the automation servers and ActiveX controls that exist (headless_automation.h)

    Services& services() override { return services_; }
    // Logs "app created"; the application logs its own lifecycle to the same log.
    std::unique_ptr<Application> CreateApplication() override;
    // app must come from a HeadlessBackend.
    std::unique_ptr<Window> NewWindow(Application& app, const WindowParams& params) override;
    std::unique_ptr<ActiveXControl> NewActiveXControl(Window& parent, const std::string& class_name_or_clsid, const Rect& bounds) override;  // headless_automation.cpp
    std::shared_ptr<AutomationObject> ConnectAutomation(const std::string& prog_id, ConnectKind kind) override;  // headless_automation.cpp
    std::unique_ptr<MediaPlayer> NewMediaPlayer(Application& app) override;
    HeadlessMedia media;  // what the media players play; they log their commands (headless_media.h)

private:
    HeadlessServices services_;
};

}  // namespace scr
