#include "desktop/DesktopFiles.h"

namespace dravik {

void DesktopFiles::attach(unsigned long windowId)
{
    window = windowId;
    drop = std::make_unique<FileDrop>(windowId);
}

DesktopFiles::Arrival_t DesktopFiles::poll()
{
    Arrival_t arrival;
    if (chooser.isOpen()) {
        if (const std::optional<FileChooser::Outcome_t> outcome = chooser.poll()) {
            using Status = FileChooser::Outcome_t::Status;
            if (outcome->status == Status::Chosen)
                arrival.chosen = outcome->path;
            else if (outcome->status == Status::Unavailable)
                arrival.unavailable = outcome->message;
        }
    }
    if (drop) {
        // Of several files dropped at once, the first is opened.
        const std::vector<std::string> dropped = drop->poll();
        if (!dropped.empty())
            arrival.dropped = dropped.front();
    }
    return arrival;
}

} // namespace dravik
