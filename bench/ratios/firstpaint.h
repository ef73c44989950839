#pragma once

// What the start-up probes report, on standard output, to the benchmark
// that started them:
//   paint <ns>  the monotonic clock once the window's first paint is done
//   peak <kB>   the process's peak resident size after the work that follows
// then the probe ends its event loop. The clock is the system's monotonic
// one, so the starting process can subtract the moment it forked.

#include <QObject>

#include <functional>

class QWidget;

class FirstPaintProbe : public QObject
{
public:
    // Watches every event of the application for the first paint of a
    // widget in window; afterPaint is the work whose peak memory counts too.
    explicit FirstPaintProbe(QWidget *window, std::function<void()> afterPaint = {});

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void finish();

    QWidget *m_window;
    std::function<void()> m_afterPaint;
    bool m_painted = false;
};
