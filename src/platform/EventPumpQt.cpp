#include "platform/EventPumpQt.h"

#include <QCoreApplication>
#include <QEvent>
#include <QMouseEvent>

namespace kor {

QtEventPump::QtEventPump()
{
    QCoreApplication::instance()->installEventFilter(this);
}

QtEventPump::~QtEventPump()
{
    if (auto* app = QCoreApplication::instance())
        app->removeEventFilter(this);
}

bool QtEventPump::drain()
{
    m_stopRequested = false;
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    const bool stop = m_stopRequested;
    m_stopRequested = false;
    return stop;
}

bool QtEventPump::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::KeyPress) {
        m_stopRequested = true;
    } else if (event->type() == QEvent::MouseButtonPress) {
        const auto button = static_cast<QMouseEvent*>(event)->button();
        if (button == Qt::LeftButton || button == Qt::RightButton)
            m_stopRequested = true;
    }
    return QObject::eventFilter(watched, event);
}

} // namespace kor
