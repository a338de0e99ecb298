#include "files/HotPixelMapDialog.h"

#include "files/HotPixelMap.h"
#include "files/RawFile.h"
#include "program/Program.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScrollBar>
#include <QVBoxLayout>

namespace kor {

THotPixelMapDialog::THotPixelMapDialog(Program& program, QWidget* parent) : QDialog(parent), m_program(program)
{
    setWindowTitle(QStringLiteral("Calculate Hot Pixel Map"));
    HotPixelMapState& map = program.files.hotPixels;

    m_threshold = new QScrollBar(Qt::Horizontal);
    m_threshold->setRange(kHotPixelThresholdMin, kHotPixelThresholdMax);
    m_threshold->setSingleStep(1);
    m_threshold->setPageStep(100);
    m_threshold->setValue(map.threshold);
    m_thresholdValue = new QLabel;
    m_found = new QLabel;
    m_name = new QLineEdit(QString::fromStdString(map.name));
    m_name->setMaxLength(int(kHotPixelMapNameLength));
    m_path = new QLineEdit;
    m_path->setReadOnly(true);
    m_change = new QPushButton(QStringLiteral("Change"));
    m_save = new QPushButton(QStringLiteral("Save Pixel Map"));
    auto* finished = new QPushButton(QStringLiteral("Finished"));

    connect(m_threshold, &QScrollBar::valueChanged, this, [this](int value) {
        FindHotPixels(m_program, value);
        refresh();
    });
    connect(m_change, &QPushButton::clicked, this, [this] {
        ChangeHotPixelMapName(m_program, m_name->text().toStdString());
        m_name->setText(QString::fromStdString(m_program.files.hotPixels.name));
        refresh();
    });
    connect(m_save, &QPushButton::clicked, this, [this] {
        if (SaveHotPixelMap(m_program))
            accept();
    });
    connect(finished, &QPushButton::clicked, this, &QDialog::reject);

    auto* thresholdRow = new QHBoxLayout;
    thresholdRow->addWidget(m_threshold, 1);
    thresholdRow->addWidget(m_thresholdValue);
    auto* nameRow = new QHBoxLayout;
    nameRow->addWidget(m_name, 1);
    nameRow->addWidget(m_change);
    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("Hot Pixel Value"), thresholdRow);
    form->addRow(QStringLiteral("Hot Pixels Found"), m_found);
    form->addRow(QStringLiteral("Current Directory"),
                 new QLabel(QString::fromStdString(autosaveDirectory(program).string())));
    form->addRow(QStringLiteral("New Hot Pixel Map File Name"), nameRow);
    form->addRow(QString(), m_path);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(m_save);
    buttons->addWidget(finished);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Adjust the scroller until you have picked up all the hot pixels")));
    layout->addLayout(form);
    layout->addWidget(
        new QLabel(QStringLiteral("NB:\nEnsure you have loaded a valid Darkframe before creating a Hot Pixel Map.")));
    layout->addLayout(buttons);
    refresh();
}

void THotPixelMapDialog::refresh()
{
    const HotPixelMapState& map = m_program.files.hotPixels;
    m_thresholdValue->setText(QString::number(m_threshold->value()));
    m_found->setText(QString::number(map.count));
    m_path->setText(QString::fromStdString(hotPixelMapPath(m_program).string()));
}

} // namespace kor
