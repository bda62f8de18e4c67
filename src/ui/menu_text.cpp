#include "ui/menu_text.h"

namespace rubo::ui {

std::string menuItemText(const std::string& text) {
    std::string item;
    item.reserve(text.size());
    for (char c : text) {
        item += c;
        if (c == '&')
            item += '&';
    }
    return item;
}

} // namespace rubo::ui
