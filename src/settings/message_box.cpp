#include "settings/message_box.h"

#include <atomic>

namespace rubo {

namespace {
std::atomic<MessageSink*> installedSink{nullptr};
}

void setMessageSink(MessageSink* sink) {
    installedSink.store(sink);
}

void showMessage(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::string text = formatBoundedV(kMessageMaxChars, format, args);
    va_end(args);
    MessageSink* sink = installedSink.load();
    (sink ? *sink : systemMessageSink()).show(text);
}

} // namespace rubo
