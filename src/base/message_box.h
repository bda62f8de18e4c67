#pragma once

#include "base/text_format.h"

#include <string>

namespace rubo {

inline constexpr const char kMessageCaption[] = "RUBO";

// Where the program's message boxes go: the platform's message box, or a
// recording fake in tests.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void show(const std::string& text) = 0;
    // A question with Yes and No buttons; true for Yes.
    virtual bool ask(const std::string& question) = 0;
};

MessageSink& systemMessageSink();
// Replaces the sink for the whole process; null restores the platform's.
void setMessageSink(MessageSink* sink);

// Formats a message (at most 511 characters) and shows it with default
// buttons.
void showMessage(const char* format, ...) RUBO_PRINTF_FORMAT(1, 2);
bool askQuestion(const char* question);

// For a save to the settings file at `path` that failed: said instead of
// going on as if it had been kept.
inline constexpr const char kSaveFailedText[] =
    "RUBO could not save to\n\n%s\n\nThe change holds only until RUBO closes. RUBO keeps its "
    "settings beside rubo.exe; move it to a folder you can write to.";
// Shows kSaveFailedText when `saved` is false; returns `saved`.
bool reportSave(bool saved, const std::string& path);

// A message cut to the message-box limit: never inside a CR LF pair or a
// UTF-8 sequence.
std::string boundedMessageText(const std::string& text);

} // namespace rubo
