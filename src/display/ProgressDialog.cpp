#include "display/ProgressDialog.h"

#include <QApplication>

#include <algorithm>

namespace kor {

void TProgressDialog::begin(const std::string& caption)
{
    m_dialog = std::make_unique<QProgressDialog>();
    m_dialog->setWindowTitle(QString::fromStdString(caption));
    m_dialog->setLabelText(QString::fromStdString(caption));
    m_dialog->setCancelButton(nullptr); // the operations run to completion
    m_dialog->setRange(0, kProgressRange);
    m_dialog->setMinimumDuration(0);
    m_dialog->setAutoReset(false); // the bar stays full until the operation ends
    m_dialog->setAutoClose(false);
    m_dialog->setWindowModality(Qt::NonModal);
    m_dialog->setValue(0);
    m_dialog->show();
    // Paint the window now: the operation does not pump messages while it runs.
    QApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TProgressDialog::setPosition(int position)
{
    if (!m_dialog)
        return;
    m_dialog->setValue(std::clamp(position, 0, kProgressRange));
    m_dialog->repaint();
}

void TProgressDialog::end()
{
    m_dialog.reset();
}

} // namespace kor
