#pragma once

#include <string>
#include <vector>

namespace kor {

// Progress of a long operation: an upper-case caption naming it and a position
// from 0 to kProgressRange. The GUI shows the small progress window; the CLI
// prints the captions; tests record them.
class ProgressReporter {
public:
    static constexpr int kProgressRange = 256;

    virtual ~ProgressReporter() = default;
    virtual void begin(const std::string& caption) = 0;
    virtual void setPosition(int position) = 0;
    virtual void end() = 0;
};

class NullProgressReporter final : public ProgressReporter {
public:
    void begin(const std::string&) override {}
    void setPosition(int) override {}
    void end() override {}
};

class RecordingProgressReporter final : public ProgressReporter {
public:
    void begin(const std::string& caption) override
    {
        captions.push_back(caption);
        active = true;
    }
    void setPosition(int position) override { positions.push_back(position); }
    void end() override { active = false; }

    std::vector<std::string> captions;
    std::vector<int> positions;
    bool active = false;
};

} // namespace kor
