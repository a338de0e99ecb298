#pragma once

#include "messages/MessageSink.h"

namespace kor {

// Shows each notice in a modal box with an OK button and no icon, owned by no window.
class QtMessageSink final : public MessageSink {
public:
    void show(const Message& message) override;
    void beep() override;
};

} // namespace kor
