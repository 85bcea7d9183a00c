#pragma once

#include <QtGlobal>
#include <functional>
#include <vector>

// How a command is measured beside a screen reader, in our windows and in the floor's alike:
// the CPU time of the whole process, and the stretch of wall-clock time it covers, both taken
// from a quiet window to a quiet window again.
namespace bench {

double Median(std::vector<double> values);
double ProcessCpuMs();
// Microseconds since the epoch, the clock dbus-monitor stamps its messages with.
qint64 WallClockUs();

// Before and after each command the window's events are processed in slices this long until one
// passes idle, so work that arrives later, such as the questions of an accessibility client,
// counts towards the command's CPU time. None by default.
void SetSettleMs(int ms);
void Settle();

// A command's stretch of wall-clock time: everything the bus carried for it lies inside.
struct Span {
    qint64 fromUs = 0, toUs = 0;
};

struct Settled {
    double cpuMs = 0;
    Span span;
};
// Settles, then runs the work and settles again.
Settled MeasureSettled(const std::function<void()>& work);

// The accessibility bridge connects to its bus once the event loop runs. A process that was not
// asked for it waits as long, idle, so it cannot tell too soon.
bool AccessibilityActive();

} // namespace bench
