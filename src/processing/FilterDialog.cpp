#include "processing/FilterDialog.h"

#include "processing/ProcessingWidgetsQt.h"

#include <QDialogButtonBox>
#include <QVBoxLayout>

namespace kor {

TUnsharpMaskDialog::TUnsharpMaskDialog(Program& program, QWidget* parent)
    : QDialog(parent), m_radius(new ScrollValue("Radius", 1, 7, 3, this)),
      m_power(new ScrollValue("Power", 1, 7, 1, this))
{
    setWindowTitle("Unsharp Mask Filter");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_radius);
    layout->addWidget(m_power);
    layout->addWidget(addDialogButtons(this, program, "KOR_T53K_USB",
                                       "Use controls to vary the radius from 1 to 7, and the power from 1 to 7."));
    m_radius->box()->setReadOnly(true);
    m_power->box()->setReadOnly(true);
}

int TUnsharpMaskDialog::radius() const
{
    return m_radius->value();
}

int TUnsharpMaskDialog::power() const
{
    return m_power->value();
}

TMedianDialog::TMedianDialog(Program& program, QWidget* parent)
    : QDialog(parent), m_radius(new ScrollValue("Radius", 1, 3, 1, this)),
      m_power(new ScrollValue("Power", 1, 10, 6, this,
                              [](int tenths) { return QString::asprintf("%1.1f", tenths / 10.0); }))
{
    setWindowTitle("Median Filter");
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(m_radius);
    layout->addWidget(m_power);
    layout->addWidget(addDialogButtons(this, program, "KOR_T53K_USB - Median Filter",
                                       "Use controls to vary the radius from 1 to 3, and the power from 0.1 to 1."));
    m_radius->box()->setReadOnly(true);
    m_power->box()->setReadOnly(true);
}

int TMedianDialog::radius() const
{
    return m_radius->value();
}

int TMedianDialog::powerTenths() const
{
    return m_power->value();
}

} // namespace kor
