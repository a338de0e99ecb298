#pragma once

#include <QDialog>

class QCheckBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QScrollBar;

namespace kor {

class Program;

// "FITS DETAILS": the header texts and numbers written with every FITS file.
// "Continue" stores the fields (cut to their limits) and accepts; "Abort"
// rejects and stores nothing. The check boxes change their flags at once.
class TFitsDetailsDialog : public QDialog {
    Q_OBJECT
public:
    explicit TFitsDetailsDialog(Program& program, QWidget* parent = nullptr);

    QLineEdit* objectField() const { return m_object; }
    QLineEdit* exposureField() const { return m_exposure; }
    QPlainTextEdit* historyField() const { return m_history; }
    QScrollBar* utOffsetBar() const { return m_utOffset; }
    QLabel* utOffsetValue() const { return m_utOffsetValue; }
    QCheckBox* eightBitBox() const { return m_eightBit; }

    // Reads every field back into the program's values.
    void storeFields();

private:
    Program& m_program;
    QLineEdit* m_object;
    QLineEdit* m_observer;
    QLineEdit* m_origin;
    QLineEdit* m_telescope;
    QLineEdit* m_focalLength;
    QLineEdit* m_aperture;
    QLineEdit* m_filter;
    QLineEdit* m_instrument;
    QPlainTextEdit* m_history;
    QPlainTextEdit* m_comments;
    QLineEdit* m_date;
    QLineEdit* m_time;
    QLineEdit* m_exposure;
    QScrollBar* m_utOffset;
    QLabel* m_utOffsetValue;
    QCheckBox* m_eightBit;
    QCheckBox* m_unsigned;
};

} // namespace kor
