#include "shell/MainWindow.h"
#include "support/TestProgram.h"

#include <gtest/gtest.h>

namespace kor {
namespace {

TEST(MainWindow, FrameHasTheProgramTitleAndPlace)
{
    test::TestProgram t;
    t.program.startUp();
    TKOR_T53KFrame frame(t.program);
    frame.show();
    EXPECT_EQ(frame.windowTitle(), QStringLiteral("KOR_T53K_USB - (Untitled)"));
    EXPECT_EQ(frame.geometry().size(), QSize(1024, 768));
}

} // namespace
} // namespace kor
