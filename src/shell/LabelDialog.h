#pragma once

#include <QDialog>

class QCheckBox;
class QLineEdit;

namespace kor {

// "Label Current Image": the label text (at most 30 characters) and "Auto Date".
class TLabelDialog : public QDialog {
    Q_OBJECT
public:
    explicit TLabelDialog(const QString& text, QWidget* parent = nullptr);

    QString text() const;
    bool autoDate() const;

private:
    QLineEdit* m_text;
    QCheckBox* m_autoDate;
};

} // namespace kor
