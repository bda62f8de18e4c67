#include "settings/message_box.h"

#include <cstdio>

namespace rubo {

namespace {

// Without a window system the message goes to the error stream.
class StreamMessageSink : public MessageSink {
public:
    void show(const std::string& text) override {
        std::fprintf(stderr, "%s: %s\n", kMessageCaption, text.c_str());
    }
};

} // namespace

MessageSink& systemMessageSink() {
    static StreamMessageSink sink;
    return sink;
}

} // namespace rubo
