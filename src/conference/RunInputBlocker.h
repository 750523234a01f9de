#pragma once

#include <QObject>

// Swallows the person's input while a run holds the window: the window repaints between
// statements, but clicks, keys and the close box wait for nobody. A message box shown
// while the run holds the window (an error at its end) takes its input as usual: it is the
// one thing the person can answer.
class RunInputBlocker : public QObject
{
public:
    RunInputBlocker();
    ~RunInputBlocker() override;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;
};
