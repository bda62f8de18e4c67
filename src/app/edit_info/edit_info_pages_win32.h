#pragma once

// The two pages of the Edit CD info dialog, children of its tab control.
// In a page Escape is swallowed and Enter presses the page's Update button
// (a multi-line field keeps its Enter); the dialog does the work.

#include "ui/tooltip_dialog_win32.h"

#include <functional>
#include <string>
#include <vector>

namespace rubo {

class CInfoPage : public ui::CToolTipDialog {
public:
    // The page's commands (id, notification code) go to the handler.
    using CommandHandler = std::function<void(int id, int code)>;
    CInfoPage(int templateId, HWND tabControl, int updateId, CommandHandler handler);

    bool preTranslate(MSG& msg) override;

    // Empties the list box and adds the lines.
    void fillList(int id, const std::vector<std::string>& lines);

protected:
    bool onCommand(int id, int code, HWND control) override;
    // A page never ends itself: a multi-line field's Escape sends WM_CLOSE.
    void onOk() override {}
    void onCancel() override {}
    void onClose() override {}

private:
    int updateId_;
    CommandHandler handler_;
};

// "Normal": artist, title, category and the track titles.
class CNormalInfoPage : public CInfoPage {
public:
    CNormalInfoPage(HWND tabControl, CommandHandler handler);
};

// "Extended": extended data, genre, year and the tracks' extended data.
class CExtendedInfoPage : public CInfoPage {
public:
    CExtendedInfoPage(HWND tabControl, CommandHandler handler);
};

} // namespace rubo
