#pragma once

// Thin wrappers of a control window the dialog owns: they hold the handle
// only and send the control its messages.

#include <windows.h>

#include <commctrl.h>

#include <string>

namespace rubo::ui {

// The window's text; empty without a window.
std::string windowText(HWND window);

class ComboBox {
public:
    explicit ComboBox(HWND window = nullptr) : window_(window) {}
    HWND window() const { return window_; }

    void resetContent() { SendMessageA(window_, CB_RESETCONTENT, 0, 0); }
    void addString(const char* text) {
        SendMessageA(window_, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
    }
    void addString(const std::string& text) { addString(text.c_str()); }
    // CB_ERR clears the selection.
    void setCurSel(int index) {
        SendMessageA(window_, CB_SETCURSEL, static_cast<WPARAM>(index), 0);
    }
    // CB_ERR when nothing is selected.
    int curSel() const { return static_cast<int>(SendMessageA(window_, CB_GETCURSEL, 0, 0)); }
    // The first row whose whole text is `text` in any case; CB_ERR when none.
    int findStringExact(const std::string& text) const {
        return static_cast<int>(SendMessageA(window_, CB_FINDSTRINGEXACT, static_cast<WPARAM>(-1),
                                             reinterpret_cast<LPARAM>(text.c_str())));
    }
    // The text of row `index`; empty when there is no such row.
    std::string rowText(int index) const;

private:
    HWND window_;
};

class Trackbar {
public:
    explicit Trackbar(HWND window = nullptr) : window_(window) {}
    HWND window() const { return window_; }

    // Redraws once, with the maximum.
    void setRange(long low, long high) {
        SendMessageA(window_, TBM_SETRANGEMIN, FALSE, low);
        SendMessageA(window_, TBM_SETRANGEMAX, TRUE, high);
    }
    long rangeMin() const {
        return static_cast<long>(SendMessageA(window_, TBM_GETRANGEMIN, 0, 0));
    }
    long rangeMax() const {
        return static_cast<long>(SendMessageA(window_, TBM_GETRANGEMAX, 0, 0));
    }
    void setPos(long position) { SendMessageA(window_, TBM_SETPOS, TRUE, position); }
    long pos() const { return static_cast<long>(SendMessageA(window_, TBM_GETPOS, 0, 0)); }
    // A vertical slider has its minimum on top; a value mirrored in the range
    // puts the least at the bottom. Mirrored twice, a value is itself again.
    long mirrored(long value) const { return rangeMin() + rangeMax() - value; }

private:
    HWND window_;
};

} // namespace rubo::ui
