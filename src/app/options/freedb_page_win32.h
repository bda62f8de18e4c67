#pragma once

// The "freedb" page: the server choice (main, mirror list, custom), the
// protocol level, the proxy and the e-mail address, and the server list,
// status and message-of-the-day actions.

#include "app/options/options_sheet_win32.h"

namespace rubo {

class Page2 : public OptionsValuesPage {
public:
    Page2(OptionsSheetContext& context, OptionsSheetValues& values);

protected:
    BOOL onInitDialog() override;
    bool onCommand(int id, int code, HWND control) override;
    bool onApply() override;
    void readPage() override;

private:
    void fillMirrors();
    void takeMirror();
    // 0 default, 1 mirror, 2 custom, by the page's radio buttons.
    int serverChoice() const;
    void getMirrors();
    void showSiteAction(bool status);

    OptionsSheetContext& context_;
};

} // namespace rubo
