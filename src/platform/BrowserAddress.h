#pragma once
// Reading the address a browser of today shows, off the program's own thread: the browser's
// accessibility tree may take seconds to answer, or never answer.

#include <functional>
#include <optional>
#include <string>

namespace tobrix {

class BrowserAddressReader {
public:
    virtual ~BrowserAddressReader() = default;
    // Starts a reading; `done` is called once, later, on the program's own thread, with the
    // address (CP932, as the editor keeps it) or nothing when none could be read within the
    // bound. A reading still running is replaced: its answer is dropped.
    virtual void Start(std::function<void(std::optional<std::string>)> done) = 0;
    // Drops the running reading's answer: `done` is not called. A worker that does not come
    // back is left to end by itself.
    virtual void Cancel() = 0;
};

} // namespace tobrix
