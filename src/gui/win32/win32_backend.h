// The Win32 backend: the backend table over the real system.
#pragma once

#include "gui/backend.h"

namespace scr {

class Win32Services : public Services {
public:
    std::string CommandLine() override;
    std::string ModulePath() override;
    std::string SystemDirectory() override;
    SemaphoreResult CreateInstanceSemaphore(const std::string& name) override;
    void CallPasswordChange(const std::string& library_path, const std::string& key, WindowHandle window) override;
    bool WindowExists(WindowHandle window) override;
    bool WindowVisible(WindowHandle window) override;
    Rect WindowRectangle(WindowHandle window) override;
    std::unique_ptr<WindowCanvas> CanvasOnWindow(WindowHandle window) override;
};

class Win32Backend : public Backend {
public:
    Services& services() override { return services_; }
    std::unique_ptr<Application> CreateApplication() override;
    // app must be the Win32Application this backend made.
    std::unique_ptr<Window> NewWindow(Application& app, const WindowSpec& spec) override;
    std::unique_ptr<MediaPlayer> NewMediaPlayer(Application& app) override;

private:
    Win32Services services_;
};

}  // namespace scr
