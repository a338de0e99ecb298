#include "messages/MessageSinkQt.h"

#include <QApplication>
#include <QMessageBox>

namespace kor {

void QtMessageSink::show(const Message& message)
{
    QMessageBox box(QMessageBox::NoIcon, QString::fromStdString(message.title), QString::fromStdString(message.text),
                    QMessageBox::Ok);
    box.exec();
}

void QtMessageSink::beep()
{
    QApplication::beep();
}

} // namespace kor
