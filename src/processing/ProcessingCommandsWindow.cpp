#include "processing/ProcessingCommandsWindow.h"

#include "messages/Messages.h"
#include "processing/AutoProcessingDialog.h"
#include "processing/FilterDialog.h"
#include "processing/Filters.h"
#include "processing/MonoFromRaw.h"
#include "processing/MonoFromRawDialog.h"
#include "processing/StretchDialog.h"
#include "processing/Stretches.h"
#include "program/Program.h"
#include "settings/SettingsFile.h"

#include <QApplication>
#include <QCursor>

namespace kor {

namespace {

// The wait cursor for as long as a filter runs; the interface does not
// respond until the filter ends.
class WaitCursor {
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;
};

template <typename Command> void withWaitCursor(Command command)
{
    WaitCursor wait;
    command();
}

} // namespace

void normalStretchCommand(Program& program, QWidget* parent)
{
    TNormalStretchDialog dialog(program, parent);
    if (dialog.exec() == QDialog::Accepted)
        withWaitCursor([&] { normalStretch(program, dialog.black(), dialog.white()); });
}

void powerLawStretchCommand(Program& program, QWidget* parent)
{
    TPowerLawDialog dialog(program, parent);
    if (dialog.exec() == QDialog::Accepted)
        withWaitCursor([&] { powerStretch(program, dialog.power()); });
}

void sineStretchCommand(Program& program, QWidget*)
{
    withWaitCursor([&] { sineStretch(program); });
}

void logStretchCommand(Program& program, QWidget*)
{
    withWaitCursor([&] { logStretch(program); });
}

void antilogStretchCommand(Program& program, QWidget*)
{
    withWaitCursor([&] { antilogStretch(program); });
}

void invertImageCommand(Program& program, QWidget*)
{
    withWaitCursor([&] { invertImage(program); });
}

void removeBackgroundCommand(Program& program, QWidget*)
{
    withWaitCursor([&] { removeBackground(program); });
}

void nonLinearStretchCommand(Program& program, QWidget* parent)
{
    TNonLinearDialog dialog(program, parent);
    if (dialog.exec() == QDialog::Accepted)
        withWaitCursor([&] { nonLinearStretch(program, dialog.power()); });
}

void unsharpMaskCommand(Program& program, QWidget* parent)
{
    TUnsharpMaskDialog dialog(program, parent);
    if (dialog.exec() == QDialog::Accepted)
        withWaitCursor([&] { UnsharpMask(program, dialog.radius(), dialog.power(), true); });
}

void medianFilterCommand(Program& program, QWidget* parent)
{
    TMedianDialog dialog(program, parent);
    if (dialog.exec() == QDialog::Accepted)
        withWaitCursor([&] { MedianFilter(program, dialog.radius(), dialog.powerTenths()); });
}

void lowPassCommand(Program& program, QWidget*)
{
    withWaitCursor([&] { kernelFilter(program, KernelId::LowPass); });
}

void gaussianCommand(Program& program, QWidget*)
{
    withWaitCursor([&] { kernelFilter(program, KernelId::Gaussian); });
}

void highPassLowPowerCommand(Program& program, QWidget*)
{
    withWaitCursor([&] { kernelFilter(program, KernelId::HighPassLowPower); });
}

void highPassHighPowerCommand(Program& program, QWidget*)
{
    withWaitCursor([&] { kernelFilter(program, KernelId::HighPassHighPower); });
}

void smootherSharperCommand(Program& program, QWidget*)
{
    withWaitCursor([&] { kernelFilter(program, KernelId::SmootherSharper); });
}

void basReliefCommand(Program& program, QWidget*)
{
    withWaitCursor([&] { kernelFilter(program, KernelId::BasRelief); });
}

void gradientFilterCommand(Program& program, QWidget*)
{
    withWaitCursor([&] { GradientFilter(program); });
}

void mirrorImageCommand(Program& program, QWidget*)
{
    withWaitCursor([&] { MirrorImage(program); });
}

void flipImageCommand(Program& program, QWidget*)
{
    withWaitCursor([&] { FlipImage(program); });
}

void monoFromRawCommand(Program& program, QWidget* parent)
{
    if (!checkMonoFromRaw(program))
        return;
    TSingleFilterDialog dialog(program, program.monoFromRawPosition, parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    program.monoFromRawPosition = dialog.position();
    withWaitCursor([&] { createMonoFromRaw(program, program.monoFromRawPosition); });
}

void autoProcessingChoicesCommand(Program& program, QWidget* parent)
{
    TAutoProcessingDialog dialog(program, parent);
    if (dialog.exec() != QDialog::Accepted)
        return;
    if (SaveSettings(program.settings, program.paths) != SettingsResult::Ok)
        ShowMessage(program.messages, kMsgIniSaveFailed);
}

} // namespace kor
