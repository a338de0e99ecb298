#pragma once

#include "platform/ProgressReporter.h"

#include <QProgressDialog>

#include <memory>

namespace kor {

// The small modeless progress window of long operations: an upper-case
// caption and a bar from 0 to 256. It is created on begin() and goes on end().
class TProgressDialog final : public ProgressReporter {
public:
    void begin(const std::string& caption) override;
    void setPosition(int position) override;
    void end() override;

private:
    std::unique_ptr<QProgressDialog> m_dialog;
};

} // namespace kor
