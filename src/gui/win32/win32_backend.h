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
    TextSize PrimaryScreenSize() override;
    int ShowCursor(bool show) override;
    Point CursorPos() override;
    uint32_t SystemColor(int index) override;
    void ReleaseCapture() override;
    void SetScreenSaverRunning(bool running) override;
    std::unique_ptr<InputHook> InstallInputHook(std::function<void(const InputEvent&)> on_event) override;
    RegistryDword ReadUserDword(const std::string& key, const std::string& name) override;
    PasswordCheck VerifyScreenSavePassword(const std::string& library_path, WindowHandle window) override;
    std::string ReadIniString(const std::string& path, const std::string& section, const std::string& key,
                              const std::string& default_value) override;
    bool WriteIniString(const std::string& path, const std::string& section, const std::string& key,
                        const std::string& value) override;
    // Both live with the windows (win32_window.cpp), which show the application's cursor.
    void SetApplicationCursor(bool hand) override;
    void ShellOpen(WindowHandle owner, const std::string& ansi_file) override;
    TextSize MeasureText(const TextStyle& style, const std::string& ansi_text) override;
    void PaintText(Bitmap& target, int x, int y, const TextStyle& style, const std::string& ansi_text) override;
};

class Win32Backend : public Backend {
public:
    Services& services() override { return services_; }
    std::unique_ptr<Application> CreateApplication() override;
    // app must be the Win32Application this backend made.
    std::unique_ptr<Window> NewWindow(Application& app, const WindowParams& params) override;
    std::unique_ptr<ActiveXControl> NewActiveXControl(Window& parent, const std::string& class_name_or_clsid, const Rect& bounds) override;  // win32_activex.cpp
    std::shared_ptr<AutomationObject> ConnectAutomation(const std::string& prog_id, ConnectKind kind) override;  // win32_automation.cpp
    std::unique_ptr<MediaPlayer> NewMediaPlayer(Application& app) override;

private:
    Win32Services services_;
};

}  // namespace scr
