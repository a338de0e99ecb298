#include "processing/ProcessingWidgetsQt.h"

#include "messages/Messages.h"
#include "program/Program.h"

#include <QDialog>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>

namespace kor {

ScrollValue::ScrollValue(const QString& label, int minimum, int maximum, int value, QWidget* parent,
                         std::function<QString(int)> format)
    : QWidget(parent), m_bar(new QScrollBar(Qt::Horizontal, this)), m_box(new QLineEdit(this)),
      m_format(format ? std::move(format) : [](int v) { return QString::number(v); })
{
    auto* layout = new QHBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    auto* caption = new QLabel(label, this);
    caption->setMinimumWidth(60);
    layout->addWidget(caption);
    m_bar->setRange(minimum, maximum);
    m_bar->setSingleStep(1);
    m_bar->setPageStep(1);
    m_bar->setMinimumWidth(200);
    m_bar->setValue(value);
    layout->addWidget(m_bar, 1);
    m_box->setMaximumWidth(60);
    m_box->setText(m_format(value));
    layout->addWidget(m_box);
    connect(m_bar, &QScrollBar::valueChanged, this, [this](int v) {
        m_box->setText(m_format(v));
        emit valueChanged(v);
    });
}

void ScrollValue::setValue(int value)
{
    m_bar->setValue(value);
    m_box->setText(m_format(m_bar->value()));
}

QDialogButtonBox* addDialogButtons(QDialog* dialog, Program& program, const QString& helpTitle, const QString& helpText,
                                   const QString& acceptCaption)
{
    auto* buttons = new QDialogButtonBox(dialog);
    QPushButton* ok = acceptCaption.isEmpty() ? buttons->addButton(QDialogButtonBox::Ok)
                                              : buttons->addButton(acceptCaption, QDialogButtonBox::AcceptRole);
    ok->setDefault(true);
    buttons->addButton(QDialogButtonBox::Cancel);
    QPushButton* help = buttons->addButton(QDialogButtonBox::Help);
    help->setObjectName("help");
    QObject::connect(buttons, &QDialogButtonBox::accepted, dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, dialog, &QDialog::reject);
    QObject::connect(help, &QPushButton::clicked, dialog, [&program, helpTitle, helpText] {
        ShowFreeText(program.messages, helpTitle.toStdString(), helpText.toStdString());
    });
    return buttons;
}

} // namespace kor
