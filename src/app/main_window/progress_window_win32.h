#pragma once

// The small borderless window shown while a freedb operation waits for the
// network, and its popup menu of matches. The operation runs on this thread
// without returning to the message loop, so the window is painted at once.

#include "freedb/freedb_operations.h"
#include "ui/dialog_base_win32.h"

#include <string>
#include <vector>

namespace rubo::app {

class ProgressWindow : public FreedbProgress, private ui::DialogBase {
public:
    explicit ProgressWindow(HWND owner);
    ~ProgressWindow() override;

    void open(const std::string& command, const std::string& host) override;
    void close() override;
    void showServer(const std::string& host) override;
    int trackMenu(const std::vector<std::string>& items, int firstCommand) override;

    using ui::DialogBase::hwnd;

private:
    void paintNow();
};

// The modal window with a server's status or message of the day.
void showSiteText(HWND owner, const FreedbSiteText& text);

} // namespace rubo::app
