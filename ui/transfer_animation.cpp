#include "ui/transfer_animation.h"

#include <QPainter>

namespace fetchly {

namespace {
constexpr int Frames = 30;
}

TransferAnimation::TransferAnimation(QWidget *parent) : QWidget(parent)
{
    setFixedSize(272, 60);
    m_timer.setInterval(1000 / 15);
    connect(&m_timer, &QTimer::timeout, this, [this] {
        m_frame = (m_frame + 1) % Frames;
        update();
    });
    m_timer.start();
}

void TransferAnimation::setKind(TDialogAnimation kind)
{
    if (kind != m_kind) {
        m_kind = kind;
        update();
    }
}

void TransferAnimation::setRunning(bool running)
{
    if (running && !m_timer.isActive())
        m_timer.start();
    else if (!running && m_timer.isActive())
        m_timer.stop();
}

void TransferAnimation::paintEvent(QPaintEvent *)
{
    QPainter p(this);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor ink = palette().color(QPalette::WindowText);
    // The two ends: a server (or source folder) on the left, a folder on the right.
    p.setPen(QPen(ink, 1.5));
    const QRectF left(8, 12, 36, 36), right(228, 12, 36, 36);
    if (m_kind == TDialogAnimation::Copy)
        p.drawRoundedRect(left, 4, 4);
    else
        p.drawRect(left);
    p.drawRoundedRect(right, 4, 4);
    // A page on its way.
    const double t = static_cast<double>(m_frame) / (Frames - 1);
    const double from = 52, to = 204;
    const double x = m_kind == TDialogAnimation::Upload ? to - t * (to - from) : from + t * (to - from);
    p.setBrush(palette().color(QPalette::Highlight));
    p.drawRect(QRectF(x, 20, 16, 20));
}

} // namespace fetchly
