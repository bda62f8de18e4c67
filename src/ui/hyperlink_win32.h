#pragma once

// A static text that behaves like a link and opens its target with the
// shell. The dialog reflects WM_CTLCOLORSTATIC to it (DialogBase does).

#include "base/unique_handle_win32.h"

#include <windows.h>

#include <string>

namespace rubo::ui {

class CHyperLink {
public:
    enum Option : unsigned {
        kUnderline = 1,
        kUseHover = 2,
        kAutoSize = 4,
        kDownClick = 8,
        kGetFocusOnClick = 16,
        kNoHandCursor = 32,
        kNoActiveColour = 64,
    };
    static constexpr unsigned kDefaultOptions = kUnderline | kAutoSize | kGetFocusOnClick;

    CHyperLink() = default;
    ~CHyperLink();
    CHyperLink(const CHyperLink&) = delete;
    CHyperLink& operator=(const CHyperLink&) = delete;

    // Subclasses the dialog's static `controlId` (gives it SS_NOTIFY).
    bool attach(HWND dialog, int controlId);
    HWND hwnd() const { return hwnd_; }

    void setTarget(const std::string& target);
    const std::string& target() const { return target_; }
    void setOptions(unsigned options) { options_ = options; }
    unsigned options() const { return options_; }

    bool active() const { return active_; }
    bool hover() const { return hover_; }
    bool visited() const { return visited_; }

    // Shared by all links; a hover colour of (COLORREF)-1 means the
    // system highlight colour.
    static void setColours(COLORREF link, COLORREF active, COLORREF visited, COLORREF hover);
    // The colour the text is drawn in now.
    COLORREF textColour() const;

    // How a link opens its target; ShellExecuteA unless a test replaces it.
    using Opener = void (*)(const std::string& target);
    static void setOpener(Opener opener);

    // Opens the target now.
    void open();

    // The shared hand cursor; null until a link loads it, or when the
    // system's help program has none.
    static HCURSOR handCursor();

private:
    static LRESULT CALLBACK subclassProc(HWND, UINT, WPARAM, LPARAM, UINT_PTR, DWORD_PTR);
    LRESULT handle(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    void sizeToText();
    void detach();

    HWND hwnd_ = nullptr;
    std::string target_;
    unsigned options_ = kDefaultOptions;
    bool active_ = false;
    bool hover_ = false;
    bool visited_ = false;
    UniqueFont font_;              // the underlined copy
    HFONT originalFont_ = nullptr; // the dialog's, given back on detach
};

} // namespace rubo::ui
