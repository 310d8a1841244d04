// The Qt progress dialog as a view of a real run: geometry, texts, end
// state and buttons.
#include "tests/support/event_recorder.h"
#include "tests/support/event_wait.h"
#include "tests/support/http_server.h"
#include "tests/support/temp_dir.h"
#include "ui/progress_dialog.h"
#include "ui/ui_event_pump.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cstdlib>
#include <memory>

using namespace fetchly;
using namespace fetchly::test;

namespace {

class ProgressDialogTest : public ::testing::Test {
protected:
    HttpPeer peer;
    TempDir dir;
    TFetchEngine engine;
    EventRecorder rec{engine};
    QObject receiver;
    std::unique_ptr<TUiEventPump> pump;

    // The model's notices reach the host through the UI event pump, as in
    // the window; the engine's events stay with the recorder.
    void attach(ProgressDialogHost &host)
    {
        pump = std::make_unique<TUiEventPump>(&receiver, [&host](const TEngineEvent &event) {
            if (const auto *notice = std::get_if<TDialogNoticeEvent>(&event))
                host.Notice(notice->Change, notice->Serial);
        });
        SendDialogNoticesTo(engine.Progress(), pump->Queue());
    }

    void run(const std::vector<std::string> &paths)
    {
        start(paths);
        finish();
    }
    void start(const std::vector<std::string> &paths)
    {
        engine.Items.Clear();
        for (const auto &p : paths)
            engine.Items.Add(TFetchItem{0, peer.url(p), dir.str(), ""});
        engine.Start();
    }
    void finish()
    {
        ASSERT_TRUE(PumpUntil([&] { return !engine.Running(); }));
        engine.Wait();
        // The end-state notice travels through the event queue.
        QApplication::processEvents();
        QApplication::processEvents();
    }
};

} // namespace

TEST_F(ProgressDialogTest, KeptDialogShowsTheLastStateWithCloseAndOpenButtons)
{
    ProgressDialogHost host(engine);
    attach(host);
    engine.ShowTime = true;
    engine.ShowOpenFile = true;
    engine.ShowOpenFolder = true;
    engine.ShowCompletion = true;
    engine.AlwaysOnTop = true;
    run({"/file/9000", "/file/1000"});
    ProgressDialog *d = host.dialog();
    ASSERT_NE(d, nullptr);
    EXPECT_TRUE(d->isVisible());
    EXPECT_EQ(d->size(), QSize(300, 212));
    EXPECT_TRUE(d->windowFlags() & Qt::WindowStaysOnTopHint);
    EXPECT_EQ(d->windowTitle(), "Downloading : 100% completed");
    EXPECT_EQ(d->fileLabel()->text(), QString("File : 2 of 2 : 1000 from 127.0.0.1:%1").arg(peer.port()));
    EXPECT_EQ(d->progressLabel()->text(), "Progress : 1.00 Kb of 1.00 Kb");
    EXPECT_TRUE(d->rateLabel()->text().startsWith("Transfer rate : "));
    EXPECT_TRUE(d->timeLabel()->isVisibleTo(d));
    EXPECT_EQ(d->progressBar()->value(), 100);
    EXPECT_EQ(d->cancelButton()->text(), "Close");
    EXPECT_EQ(d->cancelButton()->geometry(), QRect(215, 160, 75, 25));
    ASSERT_NE(d->openFileButton(), nullptr);
    ASSERT_NE(d->openFolderButton(), nullptr);
    EXPECT_EQ(d->openFileButton()->geometry().left(), 45);
    EXPECT_EQ(d->openFolderButton()->geometry().left(), 130);
    EXPECT_TRUE(d->openFileButton()->isEnabled());
    EXPECT_TRUE(d->openFolderButton()->isEnabled());

    // Close raises OnCopyCancel and hides the dialog, which still exists.
    d->cancelButton()->click();
    QApplication::processEvents();
    EXPECT_EQ(rec.all().back(), "CopyCancel");
    ASSERT_NE(host.dialog(), nullptr);
    EXPECT_FALSE(host.dialog()->isVisible());
}

TEST_F(ProgressDialogTest, PlainDialogGoesWhenTheRunEnds)
{
    ProgressDialogHost host(engine);
    attach(host);
    bool seen = false;
    rec.onProgress = [&](const ProgressEvent &) { seen = true; };
    run({"/file/5000"});
    EXPECT_TRUE(seen);
    EXPECT_EQ(host.dialog(), nullptr);
}

TEST_F(ProgressDialogTest, HiddenDialogIsBuiltButNeverShown)
{
    ProgressDialogHost host(engine);
    attach(host);
    engine.ShowDialog = false;
    engine.ShowOpenFile = true;
    run({"/file/100"});
    ASSERT_NE(host.dialog(), nullptr);
    EXPECT_FALSE(host.dialog()->isVisible());
    EXPECT_EQ(host.dialog()->size(), QSize(300, 192));
    EXPECT_FALSE(host.dialog()->timeLabel()->isVisibleTo(host.dialog()));
    EXPECT_EQ(host.dialog()->cancelButton()->geometry().top(), 140);
    EXPECT_EQ(host.dialog()->progressLabel()->text(), "Progress : 100 bytes of 100 bytes");
}

// How the user dismisses the dialog: its button, Escape, the window's close.
enum class Dismiss { Button, Escape, WindowClose };

class ProgressDialogDismiss : public ProgressDialogTest, public ::testing::WithParamInterface<Dismiss> {
protected:
    void dismiss(ProgressDialog *d)
    {
        switch (GetParam()) {
        case Dismiss::Button:
            d->cancelButton()->click();
            break;
        case Dismiss::Escape: {
            QKeyEvent escape(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier);
            QApplication::sendEvent(d, &escape);
            break;
        }
        case Dismiss::WindowClose:
            d->close();
            break;
        }
    }
};

TEST_P(ProgressDialogDismiss, CancelsDuringARunAndClosesAfterIt)
{
    ProgressDialogHost host(engine);
    attach(host);
    engine.ShowOpenFile = true;
    start({"/slow/400000"});
    ASSERT_TRUE(PumpUntil([&] { return host.dialog() && !rec.progress().empty(); }));
    ASSERT_TRUE(host.dialog()->isVisible());
    dismiss(host.dialog());
    finish();
    ASSERT_NE(host.dialog(), nullptr);
    EXPECT_EQ(host.dialog()->cancelButton()->text(), "Close");
    EXPECT_FALSE(host.dialog()->openFileButton()->isEnabled());
    EXPECT_FALSE(engine.Items.Get(0).Done);

    // After a run the same gesture is Close: OnCopyCancel, and the dialog is
    // hidden but kept.
    run({"/file/100"});
    ProgressDialog *kept = host.dialog();
    ASSERT_NE(kept, nullptr);
    ASSERT_TRUE(kept->isVisible());
    ASSERT_TRUE(kept->openFileButton()->isEnabled());
    const auto cancels = [&] {
        const std::vector<std::string> events = rec.all();
        return std::count(events.begin(), events.end(), "CopyCancel");
    };
    ASSERT_EQ(cancels(), 1);
    dismiss(kept);
    QApplication::processEvents();
    EXPECT_EQ(cancels(), 2);
    EXPECT_EQ(host.dialog(), kept);
    EXPECT_FALSE(kept->isVisible());

    // A run whose last file failed has no file to open.
    engine.Retries = 0;
    run({"/file/100", "/status/404"});
    ASSERT_NE(host.dialog(), nullptr);
    EXPECT_FALSE(host.dialog()->openFileButton()->isEnabled());
}

std::string gestureName(const ::testing::TestParamInfo<Dismiss> &info)
{
    const char *const names[] = {"Button", "Escape", "WindowClose"};
    return names[static_cast<int>(info.param)];
}

INSTANTIATE_TEST_SUITE_P(Gestures, ProgressDialogDismiss,
                         ::testing::Values(Dismiss::Button, Dismiss::Escape, Dismiss::WindowClose),
                         gestureName);
