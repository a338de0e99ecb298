#pragma once

#include <QDialog>

#include <array>
#include <functional>

class QCheckBox;
class QLineEdit;
class QSpinBox;

namespace kor {

class Program;

// "Set Program Defaults": most of the settings, each control writing its
// setting at once (so the values stay in effect even after "Cancel"). "Save
// Changes" validates the auto-save directory (message 52 keeps the dialog
// open), applies the slew values and filter details, and accepts; the caller
// saves the file.
class TProgramDefaultsDialog : public QDialog {
    Q_OBJECT
public:
    explicit TProgramDefaultsDialog(Program& program, QWidget* parent = nullptr);

    // Called when "Use USB Filterwheel " is switched on; false (no wheel found)
    // switches it off again. Opens the USB wheel unless one is open already.
    std::function<bool()> openUsbFilterWheel;

    // "Set AutoSave Dir": false (after message 52) when the directory can neither
    // be found nor created.
    bool setAutosaveDir();
    // "Set Filter Details" and "Set slew values".
    void setFilterDetails();
    void setSlewValues();
    // "Save Changes".
    void saveChanges();

    QLineEdit* autosaveDirEdit() const { return m_autosaveDir; }

private:
    QWidget* buildLeftColumn();
    QWidget* buildMiddleColumn();
    QWidget* buildThirdColumn();
    QWidget* buildRightColumn();

    Program& m_program;
    QLineEdit* m_autosaveDir = nullptr;
    QLineEdit* m_lastNumber = nullptr;
    std::array<QLineEdit*, 8> m_filterNames{};
    QSpinBox* m_filterCount = nullptr;
    // Slew table: rows RA rate, Dec rate, RA backlash, Dec backlash, RA and Dec
    // hysteresis; column 0 the main camera, column 1 the autoguider.
    std::array<std::array<QSpinBox*, 2>, 6> m_slew{};
};

} // namespace kor
