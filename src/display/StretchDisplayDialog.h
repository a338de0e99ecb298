#pragma once

#include "display/DisplayPipeline.h"

#include <QDialog>

#include <functional>

class QCheckBox;
class QScrollBar;
class QSpinBox;

namespace kor {

class Workspace;

// "Stretch Display": the power P and black level B of the display stretch and
// the "Activate" box for the DisplayStretch flag. Modeless; after every change
// the picture is rebuilt (`apply`), and "Activate" toggles the flag (`toggle`).
class TStretchDisplayDialog : public QDialog {
    Q_OBJECT
public:
    TStretchDisplayDialog(DisplayStretchSettings& stretch, const Workspace& ws, std::function<void()> toggle,
                          std::function<void()> apply, QWidget* parent = nullptr);

    // Shows the held values and the flag in the controls.
    void refresh();

    QScrollBar* powerBar() const { return m_powerBar; }
    QScrollBar* blackBar() const { return m_blackBar; }
    QCheckBox* activate() const { return m_activate; }

private:
    void changed();

    DisplayStretchSettings& m_stretch;
    const Workspace& m_ws;
    std::function<void()> m_toggle;
    std::function<void()> m_apply;
    QScrollBar* m_powerBar;
    QSpinBox* m_powerBox;
    QScrollBar* m_blackBar;
    QSpinBox* m_blackBox;
    QCheckBox* m_activate;
    bool m_refreshing = false;
};

} // namespace kor
