#include "settings/message_box.h"

#include <windows.h>

namespace rubo {

namespace {

class Win32MessageSink : public MessageSink {
public:
    void show(const std::string& text) override {
        MessageBoxA(GetActiveWindow(), text.c_str(), kMessageCaption, MB_OK);
    }
};

} // namespace

MessageSink& systemMessageSink() {
    static Win32MessageSink sink;
    return sink;
}

} // namespace rubo
