#pragma once

#include <QApplication>

namespace kor {

// The application object; its name is also the frame title and the message box title.
class TKOR_T53KApp : public QApplication {
    Q_OBJECT
public:
    TKOR_T53KApp(int& argc, char** argv);
};

// Runs the program: builds the Program on the Qt seams, starts it and shows the frame.
int runApplication(int argc, char** argv);

} // namespace kor
