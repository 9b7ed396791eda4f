// The application object on Win32: OLE for the main thread, the thread's message queue and
// the exception report as a message box.
#pragma once

#include "gui/application.h"

namespace scr {

class Win32Application : public Application {
public:
    Win32Application();
    ~Win32Application() override;
    Win32Application(const Win32Application&) = delete;
    Win32Application& operator=(const Win32Application&) = delete;

    void Initialize() override;
    std::string ExeName() const override { return exe_name_; }
    std::string Title() const override { return title_; }
    void SetTitle(std::string title) override { title_ = std::move(title); }

    void ProcessMessages() override;
    void Run() override;
    void Terminate() override;
    bool Terminated() const override { return terminated_; }
    void ShowException(const std::exception& error) override;

private:
    // One queued message dispatched; false when the queue was empty.
    bool ProcessMessage();

    std::string exe_name_;
    std::string title_;
    bool ole_initialized_ = false;
    bool terminated_ = false;
};

// The path of a module of this process (nullptr: the program's own file).
std::string ModuleFileName(void* module = nullptr);

}  // namespace scr
