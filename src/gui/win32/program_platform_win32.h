// The program entry's platform services on Win32.
#pragma once

#include "gui/program_platform.h"

namespace scr {

class Win32ProgramPlatform : public ProgramPlatform {
public:
    std::string CommandLine() override;
    std::string ModulePath() override;
    std::string SystemDirectory() override;
    void CallPasswordChange(const std::string& library_path, const std::string& key, WindowHandle window) override;
    SemaphoreResult CreateInstanceSemaphore(const std::string& name) override;
    std::unique_ptr<Application> CreateApplication() override;
    bool WindowExists(WindowHandle window) override;
    bool WindowVisible(WindowHandle window) override;
    Rect WindowRectangle(WindowHandle window) override;
    std::unique_ptr<WindowCanvas> CanvasOnWindow(WindowHandle window) override;
};

}  // namespace scr
