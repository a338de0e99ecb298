#pragma once

class QWidget;

namespace kor {

class Program;

// The File menu commands of the image files, each with its file dialogs and
// confirmations, parented on `parent`. Each runs to completion and reports
// through the program's message sink.

void openFileCommand(QWidget* parent, Program& program);               // "&Open..." and "Load Hot Pixel Map File"
void saveFileCommand(QWidget* parent, Program& program);               // "&Save..."
void saveFlatFileCommand(QWidget* parent, Program& program);           // "Save Fl&at File"
void loadNextAutosavedCommand(QWidget* parent, Program& program);      // "Load next &Autosaved File"
void deleteFileCommand(QWidget* parent, Program& program);             // "&Delete File..."
void selectDarkFrameCommand(QWidget* parent, Program& program);        // "Select Dark &Frame..."
void selectFlatFieldCommand(QWidget* parent, Program& program);        // "Select Flatfield File..."
void saveFitsCommand(QWidget* parent, Program& program);               // "S&ave as FITS file..."
void quickSaveFitsCommand(QWidget* parent, Program& program);          // "&Quick Save as FITS..."
void editAutosaveFitsTextCommand(QWidget* parent, Program& program);   // "&Load/Edit AutoSave FITS text"
void editCurrentFitsDetailsCommand(QWidget* parent, Program& program); // "&Show/Edit Current Image FITS details"
void saveTiffCommand(QWidget* parent, Program& program);               // "Save as &Tiff file..."
void createHotPixelMapCommand(QWidget* parent, Program& program);      // "Create Hot Pixel Map"
void applyHotPixelMapCommand(QWidget* parent, Program& program);       // "Apply Hot Pixel Map"

} // namespace kor
