#pragma once

#include <string>
#include <vector>

namespace kor {

// One modal notice as the user sees it: a box with a title, a text and an OK button.
struct Message {
    // Catalogue code, or kFreeText for the few boxes that are not catalogue messages.
    static constexpr int kFreeText = -1;

    int code = kFreeText;
    std::string title;
    std::string text;

    bool operator==(const Message&) const = default;
};

// Where every notice of the program goes. show() blocks until the user has
// acknowledged the box. beep() is the default beep that answers a stop request.
class MessageSink {
public:
    virtual ~MessageSink() = default;
    virtual void show(const Message& message) = 0;
    virtual void beep() = 0;
};

// Keeps what was shown, for tests.
class RecordingMessageSink final : public MessageSink {
public:
    void show(const Message& message) override { messages.push_back(message); }
    void beep() override { ++beeps; }

    std::vector<int> codes() const
    {
        std::vector<int> result;
        for (const auto& m : messages)
            result.push_back(m.code);
        return result;
    }

    std::vector<Message> messages;
    int beeps = 0;
};

// Writes each notice to a stream (the command-line front end uses standard error).
class StreamMessageSink final : public MessageSink {
public:
    explicit StreamMessageSink(std::FILE* stream) : m_stream(stream) {}
    void show(const Message& message) override;
    void beep() override {}

private:
    std::FILE* m_stream;
};

} // namespace kor
