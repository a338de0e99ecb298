#pragma once

#include <QDialog>

#include <array>

class QRadioButton;

namespace kor {

class Program;

// "Construct Single Filter Image": the four positions of the colour matrix as
// radio buttons in a two-by-two grid.
class TSingleFilterDialog : public QDialog {
    Q_OBJECT
public:
    TSingleFilterDialog(Program& program, int position, QWidget* parent = nullptr);
    int position() const;
    QRadioButton* positionButton(int position) const { return m_buttons[position - 1]; }

private:
    std::array<QRadioButton*, 4> m_buttons{};
};

} // namespace kor
