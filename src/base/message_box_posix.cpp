#include "base/message_box.h"

#include <cstdio>

namespace rubo {

namespace {

// Without a window system the message goes to the error stream.
class StreamMessageSink : public MessageSink {
public:
    void show(const std::string& text) override {
        std::fprintf(stderr, "%s: %s\n", kMessageCaption, text.c_str());
    }
    // Nobody can answer here: the question is shown and answered No.
    bool ask(const std::string& question) override {
        std::fprintf(stderr, "%s: %s (No)\n", kMessageCaption, question.c_str());
        return false;
    }
};

} // namespace

MessageSink& systemMessageSink() {
    static StreamMessageSink sink;
    return sink;
}

} // namespace rubo
