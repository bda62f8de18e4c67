#pragma once

// The Edit CD info dialog's tab control: one child dialog per tab, placed
// inside the control, and the page switch on a left press on the strip.

#include <windows.h>

#include <vector>

namespace rubo {

class CInfoTabCtrl {
public:
    CInfoTabCtrl() = default;
    ~CInfoTabCtrl();
    CInfoTabCtrl(const CInfoTabCtrl&) = delete;
    CInfoTabCtrl& operator=(const CInfoTabCtrl&) = delete;

    // Subclasses the control; it becomes the parent of the pages.
    bool attach(HWND tab);
    void detach();
    HWND window() const { return tab_; }
    // Adds a tab with this text for a page window (a child of the control).
    void addPage(const char* text, HWND page);
    // Every page inside the control, below the tab strip.
    void placePages();
    // Shows one page and hides the shown one.
    void showPage(int index);
    int shownPage() const { return shown_; }

private:
    static LRESULT CALLBACK subclassProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                                         UINT_PTR id, DWORD_PTR data);

    HWND tab_ = nullptr;
    std::vector<HWND> pages_;
    int shown_ = -1;
};

} // namespace rubo
