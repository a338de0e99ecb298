#pragma once

#include "platform/EventPump.h"

#include <QObject>

namespace kor {

// Pumps the Qt event loop and watches the whole application for key presses
// and left or right mouse-button presses, which ask a long operation to stop.
class QtEventPump final : public QObject, public EventPump {
    Q_OBJECT
public:
    QtEventPump();
    ~QtEventPump() override;

    bool drain() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool m_stopRequested = false;
};

} // namespace kor
