#include "processing/AutoProcessing.h"
#include "processing/Filters.h"
#include "processing/ProcessingFixtures.h"
#include "processing/Stretches.h"
#include "support/TestProgram.h"

#include <gtest/gtest.h>

namespace kor {
namespace {

struct AutoBench {
    test::TestProgram t;
    Workspace& ws = t.program.workspace;
    AutoProcessingChoices& choices = t.program.settings.autoProcessing;
    int redisplays = 0;
    // An image whose band (rows 5 on) sits at the given high-byte level.
    explicit AutoBench(int bandLevel)
    {
        ws.BinnedMode = true;
        ws.SetGeometry();
        test::fillSeededImage(ws, 9);
        std::fill_n(ws.CurrentImage.data(), std::size_t(200) * ws.ImageWidth, std::uint16_t(bandLevel * 256 + 7));
        t.program.setRedisplay([this] { ++redisplays; });
    }
    std::vector<std::string> history() const
    {
        return {ws.HistoryLines.begin(), ws.HistoryLines.begin() + ws.historyLineCount()};
    }
};

TEST(AutoProcessing, WeakStretchSkipsBackgroundRemovalOnADarkBand)
{
    AutoBench b(2);
    b.choices.weakStretch = 'y';
    b.choices.removeBackground = 'y';
    RunAutoProcessing(b.t.program);
    EXPECT_EQ(b.history(), std::vector<std::string>{"Non-Linear Stretch : power 2"});
    EXPECT_EQ(b.redisplays, 1);
}

TEST(AutoProcessing, TheChainMatchesTheStepsRunOneByOne)
{
    AutoBench chain(40), steps(40);
    for (AutoBench* b : {&chain, &steps}) {
        b->choices.strongStretch = 'y';
        b->choices.removeBackground = 'y';
        b->choices.highPassLowPower = 'y';
        b->choices.unsharpMask = 'y';
        b->choices.unsharpDiameter = 3;
        b->choices.unsharpPower = 1;
    }
    RunAutoProcessing(chain.t.program);

    BuildRemoveBackgroundTable(steps.ws, 40);
    ApplyStretchTable(steps.t.program, false);
    BuildNonLinearTable(steps.ws, 18);
    ApplyStretchTable(steps.t.program, false);
    kernelFilter(steps.t.program, KernelId::HighPassLowPower);
    UnsharpMask(steps.t.program, 3, 1, false);

    EXPECT_EQ(test::snapshot(chain.ws), test::snapshot(steps.ws));
    EXPECT_EQ(chain.history(),
              (std::vector<std::string>{"Background Removed : min 76", "Non-Linear Stretch : power 18",
                                        "High Pass Low Power Filter", "Unsharp Mask : rad 3 ,power 1"}));
    EXPECT_EQ(chain.redisplays, 1);
    // Each step took its own snapshot: undo takes back only the unsharp mask.
    const auto afterKernel = [&] {
        AutoBench partial(40);
        BuildRemoveBackgroundTable(partial.ws, 40);
        ApplyStretchTable(partial.t.program, false);
        BuildNonLinearTable(partial.ws, 18);
        ApplyStretchTable(partial.t.program, false);
        kernelFilter(partial.t.program, KernelId::HighPassLowPower);
        return test::snapshot(partial.ws);
    }();
    chain.t.program.undoLastFilter();
    EXPECT_EQ(test::snapshot(chain.ws), afterKernel);
    EXPECT_EQ(chain.history().size(), 3u);
}

TEST(AutoProcessing, NothingChosenOnlyRedisplays)
{
    AutoBench b(40);
    b.choices.removeBackground = 'y'; // alone it does nothing
    const auto before = test::snapshot(b.ws);
    RunAutoProcessing(b.t.program);
    EXPECT_EQ(test::snapshot(b.ws), before);
    EXPECT_TRUE(b.history().empty());
    EXPECT_EQ(b.redisplays, 1);
}

TEST(AutoProcessing, StretchModes)
{
    AutoProcessingChoices c;
    EXPECT_EQ(autoStretchPower(c), 0);
    setAutoStretchMode(c, AutoStretchMode::Strong);
    EXPECT_EQ(autoStretchPower(c), 18);
    EXPECT_EQ(c.weakStretch, 'n');
    c.userStretchPower = 7;
    setAutoStretchMode(c, AutoStretchMode::User);
    EXPECT_EQ(autoStretchPower(c), 7);
    EXPECT_EQ(c.strongStretch, 'n');
    EXPECT_TRUE(validAutoProcessingNumbers(2, 6, 1));
    EXPECT_FALSE(validAutoProcessingNumbers(30, 3, 1));
    EXPECT_FALSE(validAutoProcessingNumbers(4, 1, 1));
    EXPECT_FALSE(validAutoProcessingNumbers(4, 3, 7));
}

} // namespace
} // namespace kor
