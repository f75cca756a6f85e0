#pragma once
// A list control and a search field that show nothing, for measuring the list's work without a window.

#include "app/MainView.h"

namespace tobrix::bench {

class NullListControl : public ListControl {
public:
    explicit NullListControl(int selected = -1) : selected_(selected) {}
    void SetRowCount(int) override {}
    void SelectRow(int) override {}
    int SelectedRow() const override { return selected_; }
    int HitTest(int, int) const override { return -1; }
    int Top() const override { return 0; }
    int Height() const override { return 0; }
    int PointerY() const override { return 0; }
    void Scroll(int) override {}
    void ShowDropMark(const DropMark&) override {}
    void SetEmptyText(std::string_view) override {}
    int TopRow() const override { return 0; }
    void ScrollToTop(int) override {}

private:
    int selected_;
};

class NullSearchBox final : public SearchBox {
public:
    void Clear() override {}
    void Focus() override {}
    void FocusList() override {}
    void ShowCount(std::string_view) override {}
    void SetText(std::string_view) override {}
};

} // namespace tobrix::bench
