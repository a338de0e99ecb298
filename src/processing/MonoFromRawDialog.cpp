#include "processing/MonoFromRawDialog.h"

#include "processing/MonoFromRaw.h"
#include "processing/ProcessingWidgetsQt.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QLabel>
#include <QRadioButton>
#include <QVBoxLayout>

#include <algorithm>

namespace kor {

TSingleFilterDialog::TSingleFilterDialog(Program& program, int position, QWidget* parent) : QDialog(parent)
{
    setWindowTitle("Construct Single Filter Image");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel("Select Pixel from colour grid", this));
    auto* grid = new QGridLayout;
    // Letters beside the cells: R and G on the left, G and B on the right.
    const char* letters[4] = {"R", "G", "G", "B"};
    for (int i = 0; i < 4; ++i) {
        const int row = i / 2, column = i % 2;
        m_buttons[i] = new QRadioButton(this);
        m_buttons[i]->setObjectName(QString("position%1").arg(i + 1));
        auto* letter = new QLabel(letters[i], this);
        if (column == 0) {
            grid->addWidget(letter, row, 0);
            grid->addWidget(m_buttons[i], row, 1);
        } else {
            grid->addWidget(m_buttons[i], row, 2);
            grid->addWidget(letter, row, 3);
        }
    }
    layout->addLayout(grid);
    m_buttons[std::clamp(position, kFirstMatrixPosition, kLastMatrixPosition) - 1]->setChecked(true);
    layout->addWidget(addDialogButtons(
        this, program, "KORT53K - Create Mono Image",
        "Select the filter from the matrix that you want to base the image on.\n\nThe rest will be overwritten with "
        "averages from adjacent similar filters\n\nThis option is used to extract mono data when Halpha filter has "
        "been used",
        "Build Image"));
}

int TSingleFilterDialog::position() const
{
    for (int i = 0; i < 4; ++i)
        if (m_buttons[i]->isChecked())
            return i + 1;
    return kFirstMatrixPosition;
}

} // namespace kor
