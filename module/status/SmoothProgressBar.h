#pragma once

#include <QProgressBar>

namespace veltra {

// A row's bar as the list shows it: a smooth bar with a border, a flat fill
// in the highlight colour. The style's own bar draws gradients and rounded,
// antialiased edges, which the raster engine hands to worker threads in
// pieces and waits for: a step of the style's bar cost 0.08-0.15 ms of CPU
// and some fifteen thread hand-overs, one of this bar about a quarter of
// that and none, and every port's bar steps several times a second.
class SmoothProgressBar : public QProgressBar {
    Q_OBJECT
public:
    explicit SmoothProgressBar(QWidget* parent = nullptr);

protected:
    bool event(QEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
};

}  // namespace veltra
