#include "base/message_box_win32.h"
#include "base/message_box.h"

#include <windows.h>

namespace rubo {

namespace {

thread_local HWND messageOwner = nullptr;

HWND boxOwner() {
    return messageOwner ? messageOwner : GetActiveWindow();
}

class Win32MessageSink : public MessageSink {
public:
    void show(const std::string& text) override {
        MessageBoxA(boxOwner(), text.c_str(), kMessageCaption, MB_OK);
    }
    bool ask(const std::string& question) override {
        return MessageBoxA(boxOwner(), question.c_str(), kMessageCaption,
                           MB_YESNO | MB_ICONQUESTION) == IDYES;
    }
};

} // namespace

HWND setMessageOwner(HWND owner) {
    const HWND before = messageOwner;
    messageOwner = owner;
    return before;
}

MessageSink& systemMessageSink() {
    static Win32MessageSink sink;
    return sink;
}

} // namespace rubo
