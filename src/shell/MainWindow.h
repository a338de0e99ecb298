#pragma once

#include "program/Program.h"

#include <QMainWindow>
#include <QWidget>

namespace kor {

// The client window that shows the current image and receives every command.
class TKOR_T53KWindow : public QWidget {
    Q_OBJECT
public:
    TKOR_T53KWindow(Program& program, QWidget* parent = nullptr);

    // The caption: the program title, " - " and the current file name.
    QString caption() const;

private:
    Program& m_program;
    QString m_fileName = QStringLiteral("(Untitled)");
};

// The decorated frame around the client window.
class TKOR_T53KFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit TKOR_T53KFrame(Program& program, QWidget* parent = nullptr);

    TKOR_T53KWindow* client() const { return m_client; }

private:
    TKOR_T53KWindow* m_client;
};

} // namespace kor
