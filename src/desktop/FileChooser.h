#pragma once

#include "desktop/ChildProcess.h"

#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace dravik {

// The desktop's own "open a file" dialog, shown beside the frame loop: the
// XDG desktop portal over D-Bus where one runs, else zenity, else kdialog.
// Nothing here waits; poll() once a frame hands over the outcome.
class FileChooser {
public:
    enum class Backend { Portal, Zenity, Kdialog };

    struct Outcome_t {
        enum class Status { Chosen, Cancelled, Unavailable };
        Status status = Status::Cancelled;
        std::string path;    // the chosen file when Chosen
        std::string message; // one line when Unavailable: type the path instead
    };

    // The backends to try, in order.
    explicit FileChooser(std::vector<Backend> backends = {Backend::Portal, Backend::Zenity, Backend::Kdialog});
    ~FileChooser();
    FileChooser(const FileChooser&) = delete;
    FileChooser& operator=(const FileChooser&) = delete;

    // Shows the dialog over the X11 window parentWindow (0: none); ignored
    // while one is open.
    void open(unsigned long parentWindow);
    bool isOpen() const { return state != State::Idle || ready.has_value(); }
    // The outcome once the dialog closed; nothing while it is open or idle.
    std::optional<Outcome_t> poll();

    struct Portal;

private:
    enum class State { Idle, Portal, Child };

    // Starts the next backend after `next`; false when none is left.
    bool startFrom(std::size_t next);
    bool startPortal();
    bool startChild(Backend backend);

    std::vector<Backend> backends;
    std::size_t current = 0;
    unsigned long parent = 0;
    State state = State::Idle;
    ChildProcess child;
    std::shared_ptr<Portal> portal;
    std::optional<Outcome_t> ready; // an outcome known when the dialog was asked for
};

} // namespace dravik
