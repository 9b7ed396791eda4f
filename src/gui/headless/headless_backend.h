// The headless backend: the backend table over HeadlessApplication, HeadlessWindow and scripted
// system services. Every service call, and the application's lifecycle, is appended to one text
// log in order, so tests can check the sequence of a whole program.
#pragma once

#include <deque>
#include <memory>
#include <string>
#include <vector>

#include "gui/backend.h"
#include "gui/headless/headless_application.h"
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

private:
    std::vector<std::string>& log_;
};

class HeadlessBackend : public Backend {
public:
    HeadlessBackend() : services_(log) {}

    // Every service call and lifecycle event, in order.
    std::vector<std::string> log;
    HeadlessServices& script() { return services_; }

    Services& services() override { return services_; }
    // Logs "app created"; the application logs its own lifecycle to the same log.
    std::unique_ptr<Application> CreateApplication() override;
    // app must come from a HeadlessBackend.
    std::unique_ptr<Window> NewWindow(Application& app, const WindowSpec& spec) override;
    std::unique_ptr<MediaPlayer> NewMediaPlayer(Application& app) override;
    HeadlessMedia media;  // what the media players play; they log their commands (headless_media.h)

private:
    HeadlessServices services_;
};

}  // namespace scr
