#include "settings/message_box.h"

#include <windows.h>

namespace rubo {

namespace {

class Win32MessageSink : public MessageSink {
public:
    void show(const std::string& text) override {
        MessageBoxA(GetActiveWindow(), text.c_str(), kMessageCaption, MB_OK);
    }
    bool ask(const std::string& question) override {
        return MessageBoxA(GetActiveWindow(), question.c_str(), kMessageCaption,
                           MB_YESNO | MB_ICONQUESTION) == IDYES;
    }
};

} // namespace

MessageSink& systemMessageSink() {
    static Win32MessageSink sink;
    return sink;
}

} // namespace rubo
