#include "display/ProgressDialog.h"

#include <QApplication>
#include <QProgressDialog>

#include <gtest/gtest.h>

namespace kor {
namespace {

QProgressDialog* shownProgressWindow()
{
    for (QWidget* w : QApplication::topLevelWidgets())
        if (auto* p = qobject_cast<QProgressDialog*>(w); p && p->isVisible())
            return p;
    return nullptr;
}

TEST(ProgressDialog, ShowsTheCaptionAndPositionUntilTheEnd)
{
    TProgressDialog progress;
    progress.begin("MEDIAN FILTER");
    QProgressDialog* shown = shownProgressWindow();
    ASSERT_NE(shown, nullptr);
    EXPECT_EQ(shown->labelText(), QStringLiteral("MEDIAN FILTER"));
    EXPECT_EQ(shown->maximum(), 256);
    progress.setPosition(128);
    EXPECT_EQ(shown->value(), 128);
    progress.setPosition(999);
    EXPECT_EQ(shown->value(), 256);
    progress.end();
    EXPECT_EQ(shownProgressWindow(), nullptr);
    progress.setPosition(3); // after the end: nothing to move
}

} // namespace
} // namespace kor
