#pragma once

#include <QDialog>

class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace kor {

class Program;

// "Calculate Hot Pixel Map" on CurrentImage, which must hold a dark frame: each
// change of the threshold searches again; "Save Pixel Map" writes the map file
// and accepts, "Finished" closes without writing.
class THotPixelMapDialog : public QDialog {
    Q_OBJECT
public:
    explicit THotPixelMapDialog(Program& program, QWidget* parent = nullptr);

    QScrollBar* thresholdBar() const { return m_threshold; }
    QLabel* foundLabel() const { return m_found; }
    QLineEdit* nameField() const { return m_name; }
    QLineEdit* pathField() const { return m_path; }
    QPushButton* changeButton() const { return m_change; }
    QPushButton* saveButton() const { return m_save; }

private:
    void refresh();

    Program& m_program;
    QScrollBar* m_threshold;
    QLabel* m_thresholdValue;
    QLabel* m_found;
    QLineEdit* m_name;
    QLineEdit* m_path;
    QPushButton* m_change;
    QPushButton* m_save;
};

} // namespace kor
