#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;
class QRadioButton;

namespace kor {

class Program;

// "Auto-Processing Choices". Radio buttons and check boxes change the
// program's choices at once (a later Cancel keeps them); "Save" stores the
// three numbers when all are in range and closes with success, after which
// the caller saves the settings file. Out-of-range numbers beep and keep the
// dialog open.
class TAutoProcessingDialog : public QDialog {
    Q_OBJECT
public:
    explicit TAutoProcessingDialog(Program& program, QWidget* parent = nullptr);
    void accept() override;
    // Sets every button from the current choices and shows the three numbers.
    void showChoices();

    QRadioButton* noStretch;
    QRadioButton* weakStretch;
    QRadioButton* strongStretch;
    QRadioButton* userStretch;
    QLineEdit* userPower;
    QCheckBox* removeBackground;
    QCheckBox* highPass;
    QCheckBox* unsharpMask;
    QLineEdit* diameter;
    QLineEdit* power;

private:
    Program& m_program;
};

} // namespace kor
