#include "shell/MainWindow.h"

#include "messages/Messages.h"

namespace kor {

TKOR_T53KWindow::TKOR_T53KWindow(Program& program, QWidget* parent) : QWidget(parent), m_program(program)
{
    const Rgb bg = backgroundColour(m_program.settings);
    QPalette pal = palette();
    pal.setColor(QPalette::Window, QColor(bg.red, bg.green, bg.blue));
    setPalette(pal);
    setAutoFillBackground(true);
}

QString TKOR_T53KWindow::caption() const
{
    return QStringLiteral("%1 - %2").arg(QString::fromLatin1(kProgramTitle), m_fileName);
}

TKOR_T53KFrame::TKOR_T53KFrame(Program& program, QWidget* parent)
    : QMainWindow(parent), m_client(new TKOR_T53KWindow(program, this))
{
    setCentralWidget(m_client);
    setWindowTitle(m_client->caption());
    setGeometry(0, 0, 1024, 768);
}

} // namespace kor
