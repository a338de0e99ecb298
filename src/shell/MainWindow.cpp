#include "shell/MainWindow.h"

#include "files/RawFile.h"
#include "messages/Messages.h"
#include "settings/Settings.h"
#include "shell/CommandRegistration.h"

#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QMenuBar>
#include <QPainter>
#include <QPrinter>
#include <QScrollBar>
#include <QStatusBar>
#include <QToolBar>
#include <QToolButton>

#include <cstring>

namespace kor {

namespace {

constexpr int kFrameWidth = 1024;
constexpr int kFrameHeight = 768;
constexpr int kInitialScrollWidth = 1200;
constexpr int kInitialScrollHeight = 1000;
constexpr int kBarFontPoints = 10;
constexpr int kGlyphSize = 24;
constexpr int kCentreCrossHalf = 40;
constexpr int kGuideStarCrossHalf = 20;
constexpr int kGuiderCrossHalf = 15;

QColor settingsBackground(const Settings& settings)
{
    const Rgb bg = backgroundColour(settings);
    return QColor(bg.red, bg.green, bg.blue);
}

// A button glyph: a short text on a small plate.
QIcon glyph(const char* text, bool on = false)
{
    QPixmap pixmap(kGlyphSize, kGlyphSize);
    pixmap.fill(Qt::transparent);
    QPainter p(&pixmap);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QColor(60, 60, 90));
    p.setBrush(on ? QColor(40, 70, 140) : QColor(225, 230, 240));
    p.drawRoundedRect(QRectF(0.5, 0.5, kGlyphSize - 1, kGlyphSize - 1), 4, 4);
    QFont font = p.font();
    font.setPixelSize(std::strlen(text) > 2 ? 8 : 10);
    font.setBold(true);
    p.setFont(font);
    p.setPen(on ? Qt::white : QColor(20, 30, 60));
    p.drawText(QRect(0, 0, kGlyphSize, kGlyphSize), Qt::AlignCenter, QString::fromLatin1(text));
    return QIcon(pixmap);
}

void drawCross(QPainter& p, QPoint centre, int half, const QColor& colour)
{
    p.setPen(QPen(colour, 1));
    p.drawLine(centre.x() - half, centre.y(), centre.x() + half, centre.y());
    p.drawLine(centre.x(), centre.y() - half, centre.x(), centre.y() + half);
}

// Lights the caps lock, num lock and overtype indicators as their keys are pressed.
class KeyModeFilter : public QObject {
public:
    KeyModeFilter(QLabel* caps, QLabel* num, QLabel* overtype, QObject* parent)
        : QObject(parent), m_caps(caps), m_num(num), m_overtype(overtype)
    {
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress) {
            const auto* key = static_cast<QKeyEvent*>(event);
            if (!key->isAutoRepeat()) {
                if (key->key() == Qt::Key_CapsLock)
                    m_caps->setEnabled(!m_caps->isEnabled());
                else if (key->key() == Qt::Key_NumLock)
                    m_num->setEnabled(!m_num->isEnabled());
                else if (key->key() == Qt::Key_Insert)
                    m_overtype->setEnabled(!m_overtype->isEnabled());
            }
        }
        return QObject::eventFilter(watched, event);
    }

private:
    QLabel* m_caps;
    QLabel* m_num;
    QLabel* m_overtype;
};

} // namespace

// ---- client window ----

TKOR_T53KWindow::TKOR_T53KWindow(Program& program, QWidget* parent) : QAbstractScrollArea(parent), m_program(program)
{
    setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    horizontalScrollBar()->setRange(0, kInitialScrollWidth);
    verticalScrollBar()->setRange(0, kInitialScrollHeight);
    horizontalScrollBar()->setSingleStep(1);
    verticalScrollBar()->setSingleStep(1);
    viewport()->setAttribute(Qt::WA_OpaquePaintEvent);
    viewport()->setMouseTracking(true);
    setFrameShape(QFrame::NoFrame);
    m_program.workspace.FitToWindow = false;
}

QString TKOR_T53KWindow::caption() const
{
    return QString::fromStdString(windowCaption(m_program.files));
}

QPoint TKOR_T53KWindow::scrollOffset() const
{
    return {horizontalScrollBar()->value(), verticalScrollBar()->value()};
}

void TKOR_T53KWindow::redisplay()
{
    m_display.redisplay(m_program);
    resetScrollRanges(false);
}

void TKOR_T53KWindow::resetScrollRanges(bool scrollToOrigin)
{
    const Workspace& ws = m_program.workspace;
    const QSize client = viewport()->size();
    const bool fits =
        !m_display.hasPicture() || (ws.DisplayWidth <= client.width() && ws.DisplayHeight <= client.height());
    if (ws.FitToWindow || fits) {
        horizontalScrollBar()->setRange(0, 0);
        verticalScrollBar()->setRange(0, 0);
    } else {
        horizontalScrollBar()->setRange(0, std::max(0, ws.DisplayWidth - client.width()));
        verticalScrollBar()->setRange(0, std::max(0, ws.DisplayHeight - client.height()));
    }
    horizontalScrollBar()->setPageStep(std::max(1, client.width()));
    verticalScrollBar()->setPageStep(std::max(1, client.height()));
    if (scrollToOrigin) {
        horizontalScrollBar()->setValue(0);
        verticalScrollBar()->setValue(0);
    }
    viewport()->update();
}

QImage TKOR_T53KWindow::pictureImage() const
{
    const DisplayPicture* picture = m_display.picture();
    if (!picture)
        return {};
    if (picture->indexed) {
        QImage image(picture->width, picture->height, QImage::Format_Indexed8);
        QList<QRgb> table;
        for (const auto& e : picture->palette)
            table.push_back(qRgb(e.red, e.green, e.blue));
        image.setColorTable(table);
        for (int y = 0; y < picture->height; ++y)
            std::memcpy(image.scanLine(y), picture->indices.data() + std::size_t(y) * picture->width,
                        std::size_t(picture->width));
        return image;
    }
    return QImage(reinterpret_cast<const uchar*>(picture->rgb32.data()), picture->width, picture->height,
                  picture->width * 4, QImage::Format_RGB32)
        .copy();
}

void TKOR_T53KWindow::paintEvent(QPaintEvent*)
{
    QPainter painter(viewport());
    const QColor background = settingsBackground(m_program.settings);
    const DisplayPicture* picture = m_display.picture();
    const QSize client = viewport()->size();
    const Workspace& ws = m_program.workspace;
    const QPoint scroll = scrollOffset();

    if (!picture) {
        painter.fillRect(viewport()->rect(), background);
    } else if (ws.FitToWindow) {
        const QImage whole(reinterpret_cast<const uchar*>(picture->rgb32.data()), picture->width, picture->height,
                           picture->width * 4, QImage::Format_RGB32);
        painter.drawImage(viewport()->rect(), whole);
    } else {
        // Only the visible part of the picture is copied; the whole picture was
        // converted once, when it was read back.
        if (m_paintBuffer.size() != client)
            m_paintBuffer = QImage(client, QImage::Format_RGB32);
        paintScrolledView(picture, scroll.x(), scroll.y(), client.width(), client.height(), background.rgb(),
                          reinterpret_cast<std::uint32_t*>(m_paintBuffer.bits()),
                          int(m_paintBuffer.bytesPerLine() / 4));
        painter.drawImage(0, 0, m_paintBuffer);
    }

    if (picture && !ws.FitToWindow) {
        painter.translate(-scroll);
        if (overlays.guideStar)
            drawCross(painter, *overlays.guideStar, kGuideStarCrossHalf, Qt::green);
        if (overlays.guiderSmallFrame)
            drawCross(painter, *overlays.guiderSmallFrame, kGuiderCrossHalf, Qt::red);
        painter.setBrush(Qt::NoBrush);
        if (overlays.subFrame) {
            painter.setPen(QPen(Qt::red, 1));
            painter.drawRect(*overlays.subFrame);
        }
        if (overlays.focusFrames) {
            painter.setPen(QPen(Qt::gray, 1));
            painter.drawRect(overlays.focusFrames->first);
            painter.drawRect(overlays.focusFrames->second);
        }
        if (ws.ShowCentre)
            drawCross(painter, {ws.DisplayWidth / 2, ws.DisplayHeight / 2}, kCentreCrossHalf, Qt::red);
    }
}

void TKOR_T53KWindow::resizeEvent(QResizeEvent* event)
{
    QAbstractScrollArea::resizeEvent(event);
    resetScrollRanges(false);
}

void TKOR_T53KWindow::scrollContentsBy(int, int)
{
    viewport()->update();
}

void TKOR_T53KWindow::mouseReleaseEvent(QMouseEvent* event)
{
    if (onRelease && (event->button() == Qt::LeftButton || event->button() == Qt::RightButton))
        onRelease(event->position().toPoint() + scrollOffset(), event->button());
}

void TKOR_T53KWindow::mouseMoveEvent(QMouseEvent* event)
{
    if (onMove)
        onMove(event->position().toPoint() + scrollOffset());
}

// ---- frame ----

TKOR_T53KFrame::TKOR_T53KFrame(Program& program, QWidget* parent)
    : QMainWindow(parent), m_program(program), m_client(new TKOR_T53KWindow(program, this))
{
    setCentralWidget(m_client);
    setWindowTitle(QString::fromLatin1(kProgramTitle));
    m_binOffGlyph = glyph("Bin");
    m_binOnGlyph = glyph("Bin", true);

    buildMenus();
    buildToolBar();
    buildStatusBar();
    resize(kFrameWidth, kFrameHeight);
    move(0, 0); // the frame, decorations included, at the screen origin
    setWindowTitle(m_client->caption());

    m_program.setRedisplay([this] {
        m_client->redisplay();
        setWindowTitle(m_client->caption());
        updateCommandStates();
    });
    m_context = std::make_unique<CommandContext>(CommandContext{m_program, *this, *m_client, m_commands});
    registerCommands(m_commands, *m_context);
    updateTelescopeButton();
    updateCommandStates();
    statusBar()->showMessage(QStringLiteral("KOR T53K Camera Control and Image processing program"));
}

TKOR_T53KFrame::~TKOR_T53KFrame()
{
    m_program.setRedisplay({});
}

QPrinter& TKOR_T53KFrame::printer()
{
    if (!m_printer)
        m_printer = std::make_unique<QPrinter>(QPrinter::HighResolution);
    return *m_printer;
}

void TKOR_T53KFrame::buildMenus()
{
    for (const CommandInfo& info : commandTable()) {
        auto* act = new QAction(QString::fromLatin1(info.text), this);
        if (info.hint[0] != '\0')
            act->setStatusTip(QString::fromLatin1(info.hint));
        if (info.shortcut[0] != '\0') {
            act->setShortcut(QKeySequence(QString::fromLatin1(info.shortcut)));
            act->setShortcutContext(Qt::WindowShortcut);
        }
        act->setCheckable(info.checkable);
        const CommandId id = info.id;
        connect(act, &QAction::triggered, this, [this, id] { runCommand(id); });
        // Shortcuts work whether or not their menu is open.
        addAction(act);
        m_actions[id] = act;
    }
    for (const MenuBarEntry& entry : menuBarLayout()) {
        if (entry.topLevelItem) {
            menuBar()->addAction(m_actions.at(entry.item));
            continue;
        }
        QMenu* menu = menuBar()->addMenu(QString::fromLatin1(entry.title));
        connect(menu, &QMenu::aboutToShow, this, &TKOR_T53KFrame::updateCommandStates);
        for (const CommandInfo& info : commandTable())
            if (info.menu && std::strcmp(info.menu, entry.title) == 0)
                menu->addAction(m_actions.at(info.id));
    }
}

void TKOR_T53KFrame::buildToolBar()
{
    m_toolBar = new QToolBar(QStringLiteral("Tool bar"), this);
    QFont font = m_toolBar->font();
    font.setPointSize(kBarFontPoints);
    m_toolBar->setFont(font);
    m_toolBar->setMovable(false);
    m_toolBar->setIconSize(QSize(kGlyphSize, kGlyphSize));
    using K = ToolBarEntry::Kind;
    for (const ToolBarEntry& entry : toolBarLayout()) {
        switch (entry.kind) {
        case K::Separator: m_toolBar->addSeparator(); break;
        case K::NarrowSeparator: m_toolBar->addSeparator(); break;
        case K::WideSeparator: {
            auto* gap = new QWidget(m_toolBar);
            gap->setFixedWidth(kGlyphSize / 2);
            m_toolBar->addSeparator();
            m_toolBar->addWidget(gap);
            m_toolBar->addSeparator();
            break;
        }
        case K::Button: {
            QAction* act = m_actions.at(entry.command);
            act->setIcon(entry.command == CommandId::BinHighResDisplay ? m_binOffGlyph : glyph(entry.glyph));
            // The display-stretch place holds one of two buttons, by the flag.
            if (entry.command == CommandId::UseDisplayStretch) {
                m_toolBar->addAction(act);
                QAction* other = m_actions.at(CommandId::DontUseDisplayStretch);
                other->setIcon(glyph("DS", true));
                m_toolBar->addAction(other);
                break;
            }
            if (entry.command == CommandId::TelescopeControl) {
                // A button of its own, so that removing it leaves the menu item in place.
                m_telescopeButton = new QAction(act->icon(), act->text(), this);
                m_telescopeButton->setStatusTip(act->statusTip());
                connect(m_telescopeButton, &QAction::triggered, this,
                        [this] { runCommand(CommandId::TelescopeControl); });
                m_toolBar->addAction(m_telescopeButton);
                break;
            }
            m_toolBar->addAction(act);
            break;
        }
        }
    }
    // Hints on entering a button: the status bar text, or the command's name where it has none.
    for (QAction* act : m_toolBar->actions())
        if (!act->isSeparator())
            act->setToolTip(act->statusTip().isEmpty() ? act->text().section('\t', 0, 0).remove('&').trimmed()
                                                       : act->statusTip());
    addToolBar(Qt::TopToolBarArea, m_toolBar);
}

void TKOR_T53KFrame::buildStatusBar()
{
    QStatusBar* bar = statusBar();
    QFont font = bar->font();
    font.setPointSize(kBarFontPoints);
    bar->setFont(font);
    const auto indicator = [&](const char* text) {
        auto* label = new QLabel(QString::fromLatin1(text), bar);
        label->setFrameStyle(QFrame::Panel | QFrame::Sunken);
        label->setEnabled(false);
        bar->addPermanentWidget(label);
        return label;
    };
    m_capsIndicator = indicator("CAPS");
    m_numIndicator = indicator("NUM");
    m_overtypeIndicator = indicator("OVR");
    qApp->installEventFilter(new KeyModeFilter(m_capsIndicator, m_numIndicator, m_overtypeIndicator, this));
}

QAction* TKOR_T53KFrame::action(CommandId id) const
{
    const auto it = m_actions.find(id);
    return it == m_actions.end() ? nullptr : it->second;
}

bool TKOR_T53KFrame::ruleAllows(EnableRule rule) const
{
    switch (rule) {
    case EnableRule::Always: return true;
    case EnableRule::TelescopeSet: return m_program.settings.telescopeType != 'n';
    case EnableRule::PictureShown: return m_client->display().hasPicture();
    }
    return true;
}

void TKOR_T53KFrame::runCommand(CommandId id)
{
    const CommandInfo& info = commandInfo(id);
    if (ruleAllows(info.rule))
        m_commands.run(id);
    updateCommandStates();
}

void TKOR_T53KFrame::updateCommandStates()
{
    for (const CommandInfo& info : commandTable()) {
        QAction* act = m_actions.at(info.id);
        act->setEnabled(m_commands.isBound(info.id) && ruleAllows(info.rule));
        if (info.checkable)
            act->setChecked(m_commands.isChecked(info.id));
    }
    const Workspace& ws = m_program.workspace;
    m_actions.at(CommandId::BinHighResDisplay)->setIcon(ws.BinDisplay ? m_binOnGlyph : m_binOffGlyph);
    m_actions.at(CommandId::UseDisplayStretch)->setVisible(!ws.DisplayStretch);
    m_actions.at(CommandId::DontUseDisplayStretch)->setVisible(ws.DisplayStretch);
    if (m_telescopeButton)
        m_telescopeButton->setEnabled(m_actions.at(CommandId::TelescopeControl)->isEnabled());
}

void TKOR_T53KFrame::updateTelescopeButton()
{
    if (m_telescopeButton)
        m_telescopeButton->setVisible(m_program.settings.telescopeType != 'n');
    updateCommandStates();
    update();
}

} // namespace kor
