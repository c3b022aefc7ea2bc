// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/logo_animation.h"

#include "core/avi_reader.h"

#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cstring>

namespace {
// Faster than this would only burn CPU: the control's timers never ran finer either.
constexpr int kMinIntervalMs = 10;
} // namespace

CAnimateCtrl::CAnimateCtrl(QWidget* parent) : QWidget(parent)
{
    timer_.setTimerType(Qt::PreciseTimer);
    connect(&timer_, &QTimer::timeout, this, &CAnimateCtrl::advanceFrame);
}

bool CAnimateCtrl::Open(const QString& path)
{
    Close();
    AviMovie movie;
    if (!ReadAviFile(path.toStdString(), movie))
        return false;

    // Converted once here so that painting is a plain blit.
    std::vector<QImage> frames;
    frames.reserve(movie.frames.size());
    const size_t rowBytes = size_t(movie.width) * sizeof(uint32_t);
    for (auto& pixels : movie.frames) {
        QImage image(movie.width, movie.height, QImage::Format_RGB32);
        if (image.isNull())
            return false;
        for (int y = 0; y < movie.height; ++y)
            std::memcpy(image.scanLine(y), pixels.data() + size_t(y) * size_t(movie.width), rowBytes);
        frames.push_back(std::move(image));
        // Each decoded frame goes as soon as it is copied: the movie is never held twice.
        std::vector<uint32_t>().swap(pixels);
    }

    frames_ = std::move(frames);
    movieSize_ = QSize(movie.width, movie.height);
    interval_ = std::max(kMinIntervalMs, (movie.frameMicroseconds + 500) / 1000);
    current_ = 0;
    if (frames_.size() > 1)
        timer_.start(interval_);
    updateGeometry();
    update();
    return true;
}

void CAnimateCtrl::Close()
{
    timer_.stop();
    frames_.clear();
    movieSize_ = QSize();
    current_ = 0;
    interval_ = 0;
    updateGeometry();
    update();
}

QRect CAnimateCtrl::movieRect() const
{
    if (frames_.empty())
        return {};
    return QRect(QPoint((width() - movieSize_.width()) / 2, (height() - movieSize_.height()) / 2), movieSize_);
}

void CAnimateCtrl::advanceFrame()
{
    if (frames_.empty())
        return;
    current_ = (current_ + 1) % frameCount();
    update(movieRect());
}

QSize CAnimateCtrl::sizeHint() const
{
    return frames_.empty() ? QWidget::sizeHint() : movieSize_;
}

void CAnimateCtrl::paintEvent(QPaintEvent* event)
{
    QPainter painter(this);
    painter.fillRect(event->rect(), palette().window());
    if (!frames_.empty())
        painter.drawImage(movieRect().topLeft(), frames_[static_cast<size_t>(current_)]);
}
