#pragma once

#include "transfer/progress_model.h"

#include <QTimer>
#include <QWidget>

namespace fetchly {

// A 272 x 60 animation of our own: pages travel from the server to the
// folder (download), the other way (upload) or between two folders (copy).
class TransferAnimation : public QWidget {
    Q_OBJECT
public:
    explicit TransferAnimation(QWidget *parent = nullptr);
    void setKind(TDialogAnimation kind);
    void setRunning(bool running);
    bool running() const { return m_timer.isActive(); }

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    TDialogAnimation m_kind = TDialogAnimation::Download;
    int m_frame = 0;
    QTimer m_timer;
};

} // namespace fetchly
