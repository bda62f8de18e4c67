#include "base/message_box.h"

#include <atomic>

namespace rubo {

namespace {

std::atomic<MessageSink*> installedSink{nullptr};

MessageSink& activeSink() {
    MessageSink* sink = installedSink.load();
    return sink ? *sink : systemMessageSink();
}

bool isContinuationByte(char c) {
    return (static_cast<unsigned char>(c) & 0xC0) == 0x80;
}

// The length of a UTF-8 sequence that starts with c; 1 for any other byte.
std::size_t sequenceLength(char c) {
    const unsigned char b = static_cast<unsigned char>(c);
    if (b >= 0xF0 && b <= 0xF4)
        return 4;
    if (b >= 0xE0 && b <= 0xEF)
        return 3;
    if (b >= 0xC2 && b <= 0xDF)
        return 2;
    return 1;
}

} // namespace

void setMessageSink(MessageSink* sink) {
    installedSink.store(sink);
}

std::string boundedMessageText(const std::string& text) {
    if (text.size() <= kMessageMaxChars)
        return text;
    std::size_t cut = kMessageMaxChars;
    if (text[cut - 1] == '\r' && text[cut] == '\n') {
        --cut;
    } else if (isContinuationByte(text[cut])) {
        std::size_t next = cut; // the byte after the sequence's lead byte
        while (next > 1 && cut - next < 3 && isContinuationByte(text[next - 1]))
            --next;
        const std::size_t lead = next - 1;
        if (sequenceLength(text[lead]) > cut - lead)
            cut = lead;
    }
    return text.substr(0, cut);
}

void showMessage(const char* format, ...) {
    std::va_list args;
    va_start(args, format);
    std::string text = formatTextV(format, args);
    va_end(args);
    activeSink().show(boundedMessageText(text));
}

bool askQuestion(const char* question) {
    return activeSink().ask(boundedMessageText(question));
}

bool reportSave(bool saved, const std::string& path) {
    if (!saved)
        showMessage(kSaveFailedText, path.c_str());
    return saved;
}

} // namespace rubo
