// The application object: one per process, owned by the program entry. It knows the module
// path and the title, runs the message loop of the main thread and reports errors that escape
// event handlers. The Win32 implementation is real; the headless one runs scripted messages.
#pragma once

#include <exception>
#include <functional>
#include <string>
#include <string_view>

namespace scr {

class Application {
public:
    // Called when the message queue is empty. Setting `done` to false asks to be called again
    // without waiting for a message (work remains); true (the default) lets the loop wait.
    using IdleHandler = std::function<void(bool& done)>;

    virtual ~Application() = default;

    // Prepares the main thread: COM in a single-threaded apartment on Windows.
    virtual void Initialize() = 0;
    // The program's own file as the system reports it.
    virtual std::string ExeName() const = 0;
    // Shown as the caption of the exception report; by default the file name without extension.
    virtual std::string Title() const = 0;
    virtual void SetTitle(std::string title) = 0;

    // Dispatches every message already queued and returns without waiting.
    virtual void ProcessMessages() = 0;
    // Dispatches messages, calling the idle handler whenever the queue runs empty, until
    // Terminate is requested; the main form's closing requests it.
    virtual void Run() = 0;
    virtual void Terminate() = 0;
    virtual bool Terminated() const = 0;
    void SetOnIdle(IdleHandler handler) { on_idle_ = std::move(handler); }

    // Shows an error that escaped an event handler: a message box with the title and the text.
    virtual void ShowException(const std::exception& error) = 0;
    // Runs an event handler; an exception it raises is reported instead of passed on. Window
    // procedures call their handlers through it: exceptions must not cross the system's frames.
    void Guard(const std::function<void()>& handler);

protected:
    // Calls the idle handler; false when it asked to be called again at once.
    bool Idle();

private:
    IdleHandler on_idle_;
};

// The text of an exception report: the message, with a full stop appended when its last
// character sorts above ".": "Disk full" gains one, "Disk full." and "Done!" keep their own,
// and "Why?" gains one too, since "?" sorts above ".".
std::string ExceptionReportText(std::string_view message);

// The default title: the file-name part of the module path without its extension.
std::string TitleFromExeName(std::string_view exe_name);

}  // namespace scr
