#pragma once

#include "display/Display.h"
#include "program/Program.h"
#include "shell/CommandMap.h"

#include <QAbstractScrollArea>
#include <QImage>
#include <QMainWindow>
#include <QPoint>
#include <QRect>

#include <functional>
#include <map>
#include <optional>

class QAction;
class QLabel;
class QPrinter;
class QToolBar;

namespace kor {
struct CommandContext;
}

namespace kor {

// Marks drawn over the picture, in picture coordinates. The picking and
// guiding commands set and clear them.
struct DisplayOverlays {
    std::optional<QPoint> guideStar;                    // green cross, half-length 20
    std::optional<QPoint> guiderSmallFrame;             // red cross, half-length 15
    std::optional<QRect> subFrame;                      // red rectangle
    std::optional<std::pair<QRect, QRect>> focusFrames; // two grey rectangles
};

// The client window: shows the current image, scrolled or fitted to the
// window, and passes mouse input on to whatever picking mode is active.
class TKOR_T53KWindow : public QAbstractScrollArea {
    Q_OBJECT
public:
    explicit TKOR_T53KWindow(Program& program, QWidget* parent = nullptr);

    // The caption: the program title, " - " and the current file name.
    QString caption() const;

    // The display pipeline on the current image: rebuild the temporary bitmap,
    // take it as the picture and reset the scroll ranges.
    void redisplay();
    // Scroll ranges from the picture and the client size; scroll to the origin when asked.
    void resetScrollRanges(bool scrollToOrigin);

    Display& display() { return m_display; }
    const Display& display() const { return m_display; }
    DisplayOverlays overlays;

    // The picture's left and top offsets (the scroll position), for the mouse code.
    QPoint scrollOffset() const;

    // Mouse input in picture coordinates: button releases (left or right) and
    // moves, for the picking modes and the analysis windows.
    std::function<void(QPoint, Qt::MouseButton)> onRelease;
    std::function<void(QPoint)> onMove;

    // The shown picture as an image (indexed with its palette for a monochrome
    // picture); null without a picture.
    QImage pictureImage() const;

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void scrollContentsBy(int dx, int dy) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;

private:
    Program& m_program;
    Display m_display;
    QImage m_paintBuffer;
};

// The decorated frame around the client window: menu, tool bar, status bar.
class TKOR_T53KFrame : public QMainWindow {
    Q_OBJECT
public:
    explicit TKOR_T53KFrame(Program& program, QWidget* parent = nullptr);
    ~TKOR_T53KFrame() override;

    TKOR_T53KWindow* client() const { return m_client; }
    Program& program() { return m_program; }
    CommandRegistry& commands() { return m_commands; }

    // Runs a command as its menu item does (posted commands come in here too).
    void runCommand(CommandId id);
    // Enables, greys and checks every item and swaps the two-state buttons.
    void updateCommandStates();
    // Shows or removes the telescope tool button after the telescope type changed.
    void updateTelescopeButton();

    QAction* action(CommandId id) const;
    QToolBar* toolBar() const { return m_toolBar; }
    QPrinter& printer();

private:
    void buildMenus();
    void buildToolBar();
    void buildStatusBar();
    bool ruleAllows(EnableRule rule) const;

    Program& m_program;
    TKOR_T53KWindow* m_client;
    CommandRegistry m_commands;
    std::map<CommandId, QAction*> m_actions;
    QToolBar* m_toolBar = nullptr;
    QAction* m_telescopeButton = nullptr;
    QIcon m_binOffGlyph, m_binOnGlyph;
    QLabel* m_capsIndicator = nullptr;
    QLabel* m_numIndicator = nullptr;
    QLabel* m_overtypeIndicator = nullptr;
    std::unique_ptr<QPrinter> m_printer;
    // What the command handlers use; lives as long as the frame.
    std::unique_ptr<CommandContext> m_context;
};

} // namespace kor
