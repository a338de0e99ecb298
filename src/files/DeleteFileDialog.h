#pragma once

#include <QDialog>

class QLineEdit;

namespace kor {

// "DELETE FILE DIALOG": asks before a file is deleted; OK accepts.
class TDeleteFileDialog : public QDialog {
    Q_OBJECT
public:
    TDeleteFileDialog(const QString& path, QWidget* parent = nullptr);
    QLineEdit* pathField() const { return m_path; }

private:
    QLineEdit* m_path;
};

} // namespace kor
