#include "ui/controls_win32.h"

namespace rubo::ui {

std::string windowText(HWND window) {
    const int length = window ? GetWindowTextLengthA(window) : 0;
    if (length <= 0)
        return std::string();
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int got = GetWindowTextA(window, text.data(), length + 1);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

std::string ComboBox::rowText(int index) const {
    const LRESULT length = SendMessageA(window_, CB_GETLBTEXTLEN, static_cast<WPARAM>(index), 0);
    if (length == CB_ERR || length < 0)
        return std::string();
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const LRESULT got = SendMessageA(window_, CB_GETLBTEXT, static_cast<WPARAM>(index),
                                     reinterpret_cast<LPARAM>(text.data()));
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

} // namespace rubo::ui
