#include "files/FitsDetailsDialog.h"

#include "files/FitsFile.h"
#include "program/Program.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

#include <cstdio>
#include <cstdlib>

namespace kor {

namespace {

QString number(double value)
{
    char text[64];
    std::snprintf(text, sizeof text, "%f", value);
    return QString::fromLatin1(text);
}

// The field as a number; an entry that is no number leaves the value as it was.
double numberFrom(const QLineEdit* field, double previous)
{
    const QByteArray text = field->text().toLatin1();
    char* end = nullptr;
    const double value = std::strtod(text.constData(), &end);
    return end == text.constData() ? previous : value;
}

std::string limited(const QString& text, std::size_t limit)
{
    return text.toStdString().substr(0, limit);
}

QLineEdit* lineEdit(const std::string& text, std::size_t limit)
{
    auto* edit = new QLineEdit(QString::fromStdString(text));
    edit->setMaxLength(int(limit));
    return edit;
}

} // namespace

TFitsDetailsDialog::TFitsDetailsDialog(Program& program, QWidget* parent) : QDialog(parent), m_program(program)
{
    const Settings& s = program.settings;
    const FitsObservation& fits = program.files.fits;
    setWindowTitle(QStringLiteral("FITS DETAILS"));

    m_object = lineEdit(s.fitsObject, kFitsTextLength);
    m_observer = lineEdit(s.fitsObserver, kFitsTextLength);
    m_origin = lineEdit(s.fitsOrigin, kFitsTextLength);
    m_telescope = lineEdit(s.fitsTelescope, kFitsTextLength);
    m_focalLength = new QLineEdit(number(s.fitsFocalLengthInches));
    m_aperture = new QLineEdit(number(s.fitsApertureSquareInches));
    m_filter = lineEdit(s.fitsFilter, kFitsTextLength);
    m_instrument = lineEdit(s.fitsInstrument, kFitsTextLength);
    m_history = new QPlainTextEdit(QString::fromStdString(s.fitsHistory));
    m_comments = new QPlainTextEdit(QString::fromStdString(s.fitsComment));
    m_date = lineEdit(fits.date, kFitsDateLength);
    m_time = lineEdit(fits.time, kFitsTimeLength);
    m_exposure = new QLineEdit(number(fits.exposureSeconds));

    m_utOffset = new QScrollBar(Qt::Horizontal);
    m_utOffset->setRange(-kUtOffsetLimitHours, kUtOffsetLimitHours);
    m_utOffset->setSingleStep(1);
    m_utOffset->setPageStep(1);
    const int offset = s.utOffsetHours;
    m_utOffset->setValue(offset < -kUtOffsetLimitHours || offset > kUtOffsetLimitHours ? 0 : offset);
    m_utOffsetValue = new QLabel(QString::number(m_utOffset->value()));
    connect(m_utOffset, &QScrollBar::valueChanged, this,
            [this](int value) { m_utOffsetValue->setText(QString::number(value)); });

    m_eightBit = new QCheckBox(QStringLiteral("8 bit integer (16 bit default)"));
    m_eightBit->setChecked(fits.eightBit);
    connect(m_eightBit, &QCheckBox::toggled, this, [this](bool on) { m_program.files.fits.eightBit = on; });
    m_unsigned = new QCheckBox(QStringLiteral("Unsigned Integer Format"));
    m_unsigned->setChecked(isSet(s.unsignedIntFits));
    m_unsigned->setVisible(false);
    connect(m_unsigned, &QCheckBox::toggled, this,
            [this](bool on) { m_program.settings.unsignedIntFits = on ? 'y' : 'n'; });

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Object:"), m_object);
    form->addRow(QStringLiteral("Observer:"), m_observer);
    form->addRow(QStringLiteral("Origin:"), m_origin);
    form->addRow(QStringLiteral("Telescope:"), m_telescope);
    form->addRow(QStringLiteral("Focal Len (ins):"), m_focalLength);
    form->addRow(QStringLiteral("Aperture (Sq. ins):"), m_aperture);
    form->addRow(QStringLiteral("Filter:"), m_filter);
    form->addRow(QStringLiteral("Instrumentation:"), m_instrument);
    form->addRow(QStringLiteral("History:"), m_history);
    form->addRow(QStringLiteral("Comments:"), m_comments);
    form->addRow(QStringLiteral("Date:"), m_date);
    form->addRow(QStringLiteral("Time:"), m_time);
    form->addRow(QStringLiteral("Exposure (secs):"), m_exposure);
    auto* offsetRow = new QHBoxLayout;
    offsetRow->addWidget(m_utOffset, 1);
    offsetRow->addWidget(m_utOffsetValue);
    form->addRow(QStringLiteral("Time Difference to UT in Hrs:"), offsetRow);

    auto* continueButton = new QPushButton(QStringLiteral("Continue"));
    auto* abortButton = new QPushButton(QStringLiteral("Abort"));
    continueButton->setDefault(true);
    connect(continueButton, &QPushButton::clicked, this, [this] {
        storeFields();
        accept();
    });
    connect(abortButton, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(continueButton);
    buttons->addWidget(abortButton);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(m_eightBit);
    layout->addWidget(m_unsigned);
    layout->addLayout(buttons);
}

void TFitsDetailsDialog::storeFields()
{
    Settings& s = m_program.settings;
    FitsObservation& fits = m_program.files.fits;
    s.fitsObject = limited(m_object->text(), kFitsTextLength);
    s.fitsObserver = limited(m_observer->text(), kFitsTextLength);
    s.fitsOrigin = limited(m_origin->text(), kFitsTextLength);
    s.fitsTelescope = limited(m_telescope->text(), kFitsTextLength);
    s.fitsFilter = limited(m_filter->text(), kFitsTextLength);
    s.fitsInstrument = limited(m_instrument->text(), kFitsTextLength);
    s.fitsHistory = limited(m_history->toPlainText(), kFitsLongTextLength);
    s.fitsComment = limited(m_comments->toPlainText(), kFitsLongTextLength);
    fits.date = limited(m_date->text(), kFitsDateLength);
    fits.time = limited(m_time->text(), kFitsTimeLength);
    s.fitsFocalLengthInches = numberFrom(m_focalLength, s.fitsFocalLengthInches);
    s.fitsApertureSquareInches = numberFrom(m_aperture, s.fitsApertureSquareInches);
    fits.exposureSeconds = numberFrom(m_exposure, fits.exposureSeconds);
    s.utOffsetHours = std::int16_t(m_utOffset->value());
}

} // namespace kor
