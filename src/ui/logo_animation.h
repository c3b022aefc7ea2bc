// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once
#include <QImage>
#include <QRect>
#include <QSize>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <vector>

// The logo strip: plays an animation-control AVI clip centred at its own size, looping for
// as long as it is open. A clip that cannot be read leaves the strip empty without a word,
// as the Windows control does.
class CAnimateCtrl : public QWidget {
    Q_OBJECT
public:
    explicit CAnimateCtrl(QWidget* parent = nullptr);

    // Reads the clip and starts playing it at frame 0. False (strip empty) when the file is
    // missing or cannot be decoded; a clip that was playing is closed either way.
    bool Open(const QString& path);
    // Stops and empties the strip.
    void Close();

    int frameCount() const { return static_cast<int>(frames_.size()); }
    int currentFrame() const { return current_; }
    QSize movieSize() const { return movieSize_; }
    // Milliseconds between frames; 0 when nothing is open.
    int frameInterval() const { return interval_; }
    // True while frames advance: a clip of one frame is shown but does not play.
    bool isPlaying() const { return timer_.isActive(); }
    // Where the current frame is drawn, in widget coordinates (empty when nothing is open).
    QRect movieRect() const;
    // Shows the next frame, wrapping after the last; the timer calls it, tests may too.
    void advanceFrame();

    QSize sizeHint() const override;

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    std::vector<QImage> frames_;
    QSize movieSize_;
    QTimer timer_;
    int current_ = 0;
    int interval_ = 0;
};
