#include "shell/LabelDialog.h"

#include "display/ImageLabel.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QLabel>
#include <QLineEdit>
#include <QVBoxLayout>

namespace kor {

TLabelDialog::TLabelDialog(const QString& text, QWidget* parent)
    : QDialog(parent), m_text(new QLineEdit(text, this)), m_autoDate(new QCheckBox(QStringLiteral("Auto Date"), this))
{
    setWindowTitle(QStringLiteral("Label Current Image"));
    m_text->setMaxLength(int(kMaxLabelLength));
    m_autoDate->setChecked(true);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Enter the Label text"), this));
    layout->addWidget(m_text);
    layout->addWidget(m_autoDate);
    layout->addWidget(buttons);
}

QString TLabelDialog::text() const
{
    return m_text->text();
}

bool TLabelDialog::autoDate() const
{
    return m_autoDate->isChecked();
}

} // namespace kor
