#pragma once
// The hourglass over a long operation (the reader, the exports, the master password's key
// derivation), restored on every way out, errors included.

namespace tobrix {

// A window that can show the hourglass.
class BusyView {
public:
    virtual ~BusyView() = default;
    virtual void SetBusy(bool busy) = 0;
};

// Shows the hourglass for as long as it lives.
class BusyCursor {
public:
    explicit BusyCursor(BusyView& view) : view_(view) { view_.SetBusy(true); }
    BusyCursor(const BusyCursor&) = delete;
    BusyCursor& operator=(const BusyCursor&) = delete;
    ~BusyCursor() { view_.SetBusy(false); }

private:
    BusyView& view_;
};

} // namespace tobrix
