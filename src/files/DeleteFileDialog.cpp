#include "files/DeleteFileDialog.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

namespace kor {

TDeleteFileDialog::TDeleteFileDialog(const QString& path, QWidget* parent) : QDialog(parent)
{
    setWindowTitle(QStringLiteral("DELETE FILE DIALOG"));
    m_path = new QLineEdit(path);
    m_path->setReadOnly(true);
    m_path->setMinimumWidth(360);
    auto* ok = new QPushButton(QStringLiteral("OK"));
    auto* cancel = new QPushButton(QStringLiteral("Cancel"));
    cancel->setDefault(true); // a stray Enter does not delete
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);
    connect(cancel, &QPushButton::clicked, this, &QDialog::reject);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok);
    buttons->addWidget(cancel);
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("Delete this file?")));
    layout->addWidget(m_path);
    layout->addLayout(buttons);
}

} // namespace kor
