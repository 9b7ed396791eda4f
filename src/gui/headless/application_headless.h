// The application object for native tests: messages are functions posted to a queue, the
// exception report is recorded instead of shown, and a loop that would wait forever throws.
#pragma once

#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "gui/application.h"

namespace scr {

class HeadlessApplication : public Application {
public:
    struct Report {
        std::string title;
        std::string text;
    };

    explicit HeadlessApplication(std::string exe_name);

    void Initialize() override { ++initialize_calls_; }
    std::string ExeName() const override { return exe_name_; }
    std::string Title() const override { return title_; }
    void SetTitle(std::string title) override { title_ = std::move(title); }

    void ProcessMessages() override;
    // Throws std::logic_error when the queue is empty, the idle handler has nothing more to do
    // and nobody asked to terminate: a real loop would wait for ever there.
    void Run() override;
    void Terminate() override { terminated_ = true; }
    bool Terminated() const override { return terminated_; }
    void ShowException(const std::exception& error) override;

    // Queues a message; its function runs when the message is dispatched.
    void Post(std::function<void()> message) { queue_.push_back(std::move(message)); }
    std::size_t pending() const { return queue_.size(); }
    int initialize_calls() const { return initialize_calls_; }
    int process_messages_calls() const { return process_messages_calls_; }
    const std::vector<Report>& reports() const { return reports_; }

private:
    void DispatchOne();

    std::string exe_name_;
    std::string title_;
    std::deque<std::function<void()>> queue_;
    std::vector<Report> reports_;
    bool terminated_ = false;
    int initialize_calls_ = 0;
    int process_messages_calls_ = 0;
};

}  // namespace scr
