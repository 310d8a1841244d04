// The progress dialog's model: geometry, texts of the progress step, end
// state and lifecycle notices.
#include "transfer/progress_model.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <vector>

using namespace fetchly;

namespace {

TDialogSetup mainWindowTexts()
{
    TDialogSetup s{"Downloading ...",
                   "Completed",
                   "File :",
                   "of",
                   "from",
                   "to",
                   "Progress :",
                   "Transfer Rate :",
                   "Estimated time left :",
                   "Copying",
                   "Downloading",
                   "Uploading"};
    s.ShowCompletion = true;
    s.ShowTime = true;
    return s;
}

} // namespace

TEST(ProgressLayout, PlacesControlsByTheSwitches)
{
    const auto plain = ComputeProgressLayout(false, false, false);
    EXPECT_EQ(plain.height, 192);
    EXPECT_FALSE(plain.TimeVisible);
    EXPECT_EQ(plain.CancelButton.top, 140);
    EXPECT_EQ(plain.CancelButton.left, 215);
    EXPECT_FALSE(plain.HasOpenFile);

    const auto both = ComputeProgressLayout(true, true, true);
    EXPECT_EQ(both.height, 212);
    EXPECT_EQ(both.CancelButton.top, 160);
    EXPECT_EQ(both.OpenFileButton.left, 45);
    EXPECT_EQ(both.OpenFolderButton.left, 130);
    EXPECT_EQ(both.CancelButton.left, 215);
    EXPECT_EQ(both.ProgressBar.width, 280);
    EXPECT_EQ(both.ProgressBar.top, 60);

    const auto fileOnly = ComputeProgressLayout(true, true, false);
    EXPECT_EQ(fileOnly.OpenFileButton.left, 130);
}

TEST(ProgressPercent, RoundsHalfToEvenWithoutOverflow)
{
    EXPECT_EQ(ProgressPercent(0, 100), 0);
    EXPECT_EQ(ProgressPercent(1, 200), 0); // 0.5 -> 0
    EXPECT_EQ(ProgressPercent(3, 200), 2); // 1.5 -> 2
    EXPECT_EQ(ProgressPercent(5, 200), 2); // 2.5 -> 2
    EXPECT_EQ(ProgressPercent(45, 100), 45);
    EXPECT_EQ(ProgressPercent(100, 100), 100);
    EXPECT_EQ(ProgressPercent(150, 100), 100);
    EXPECT_EQ(ProgressPercent(10, 0), 0);
    constexpr std::int64_t big = INT64_MAX;
    EXPECT_EQ(ProgressPercent(big / 2, big), 50);
    EXPECT_EQ(ProgressPercent(big - 1, big), 100);
    EXPECT_EQ(ProgressPercent(big / 3, big), 33);
    EXPECT_EQ(ProgressPercent(INT32_MAX, INT32_MAX * 2LL), 50);
}

TEST(ProgressModel, StepWritesBarLabelsCaptionRateAndTime)
{
    TProgressModel m;
    m.Build(mainWindowTexts());
    auto s = m.Snapshot();
    EXPECT_TRUE(s.Exists);
    EXPECT_TRUE(s.Visible);
    EXPECT_EQ(s.Caption, "Downloading ... ...");
    EXPECT_EQ(s.ProgressLabel, "Progress :");
    EXPECT_EQ(s.RateLabel, "Transfer Rate :");
    EXPECT_EQ(m.RateLabel(), "Transfer Rate :");

    m.SetCaption("Downloading");
    m.Step(45000, 100000, 999, "Downloading");
    s = m.Snapshot();
    EXPECT_EQ(s.BarPosition, 45);
    EXPECT_EQ(s.ProgressLabel, "Progress : 45.00 Kb of 100.00 Kb");
    EXPECT_EQ(s.Caption, "Downloading : 45% Completed");
    EXPECT_EQ(s.RateLabel, "Transfer Rate : 45.00 Kb/sec"); // 45000 / 1000 ms
    EXPECT_EQ(s.TimeLabel, "Estimated time left : 1 sec.");

    // An unknown total keeps the bar (and the caption's percentage).
    m.SetCaption("Downloading");
    m.Step(2000, 0, 0, "Downloading");
    s = m.Snapshot();
    EXPECT_EQ(s.BarPosition, 45);
    EXPECT_EQ(s.ProgressLabel, "Progress : 2.00 Kb");
    EXPECT_EQ(s.Caption, "Downloading : 45% Completed");
    EXPECT_EQ(s.TimeLabel, "Estimated time left : 0 sec.");
}

TEST(ProgressModel, EndStateKeepsOrFreesTheDialog)
{
    std::vector<TDialogChange> changes;
    TProgressModel m;
    m.SetListener([&](TDialogChange c, std::uint64_t) { changes.push_back(c); });

    auto setup = mainWindowTexts();
    m.Build(setup);
    m.End(false);
    EXPECT_FALSE(m.Snapshot().Exists);
    EXPECT_EQ(changes, (std::vector{TDialogChange::Built, TDialogChange::Ended, TDialogChange::Freed}));

    changes.clear();
    setup.ShowOpenFile = true;
    m.Build(setup);
    m.End(false);
    auto s = m.Snapshot();
    EXPECT_TRUE(s.Exists);
    EXPECT_EQ(s.CancelCaption, "Close");
    EXPECT_TRUE(s.OpenButtonsEnabled);
    EXPECT_FALSE(s.AnimationRunning);
    m.Close();
    EXPECT_TRUE(m.Snapshot().Exists);
    EXPECT_FALSE(m.Snapshot().Visible);
    m.Free();
    EXPECT_EQ(changes, (std::vector{TDialogChange::Built, TDialogChange::Ended, TDialogChange::Closed,
                                    TDialogChange::Freed}));

    EXPECT_TRUE(s.OpenFileEnabled);

    // A run whose last file did not arrive offers its folder, not the file.
    m.Build(setup);
    m.End(false, false);
    EXPECT_TRUE(m.Snapshot().OpenButtonsEnabled);
    EXPECT_FALSE(m.Snapshot().OpenFileEnabled);

    // A cancelled run keeps the Open buttons disabled.
    m.Build(setup);
    m.End(true);
    EXPECT_FALSE(m.Snapshot().OpenButtonsEnabled);
    EXPECT_FALSE(m.Snapshot().OpenFileEnabled);
    EXPECT_EQ(m.Snapshot().CancelCaption, "Close");

    // Not shown when ShowDialog is off, but still kept up to date.
    setup.ShowDialog = false;
    m.Build(setup);
    m.Step(10, 100, 0, "Downloading");
    EXPECT_FALSE(m.Snapshot().Visible);
    EXPECT_EQ(m.Snapshot().BarPosition, 10);
}
