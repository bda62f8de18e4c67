#pragma once

#include "base/message_box.h"

#include <string>
#include <vector>

namespace rubo::test {

// Takes the program's message boxes while it lives: records what they show
// and answers every question with `answer`.
class RecordingMessageSink : public MessageSink {
public:
    explicit RecordingMessageSink(bool answerWith = false) : answer(answerWith) {
        setMessageSink(this);
    }
    ~RecordingMessageSink() override { setMessageSink(nullptr); }
    void show(const std::string& text) override { shown.push_back(text); }
    bool ask(const std::string& question) override {
        asked.push_back(question);
        return answer;
    }
    std::vector<std::string> shown;
    std::vector<std::string> asked;
    bool answer;
};

} // namespace rubo::test
