#include "settling.h"

#include <QAccessible>
#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <ctime>

namespace bench {

namespace {

int settleMs = 0;

double ClockMs(clockid_t clock) {
    timespec now{};
    clock_gettime(clock, &now);
    return double(now.tv_sec) * 1000 + double(now.tv_nsec) / 1e6;
}

void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

double Median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    const size_t middle = values.size() / 2;
    if (values.empty())
        return 0;
    return values.size() % 2 ? values[middle] : (values[middle - 1] + values[middle]) / 2;
}

double ProcessCpuMs() {
    return ClockMs(CLOCK_PROCESS_CPUTIME_ID);
}

qint64 WallClockUs() {
    timespec now{};
    clock_gettime(CLOCK_REALTIME, &now);
    return qint64(now.tv_sec) * 1000000 + now.tv_nsec / 1000;
}

void SetSettleMs(int ms) {
    settleMs = ms;
}

// In slices of settleMs until one passes idle: a client that answers late (Orca works through its
// events in turn, seconds behind at times) has its questions counted towards the command they
// follow, and none left over to count towards the next one.
void Settle() {
    if (settleMs <= 0)
        return;
    constexpr double kIdleCpuMs = 0.3;
    constexpr int kMostSlices = 50;
    for (int slice = 0; slice < kMostSlices; ++slice) {
        const double cpuBefore = ProcessCpuMs();
        Wait(settleMs);
        if (slice > 0 && ProcessCpuMs() - cpuBefore < kIdleCpuMs)
            return;
    }
}

Settled MeasureSettled(const std::function<void()>& work) {
    Settle();
    Settled settled;
    settled.span.fromUs = WallClockUs();
    const double cpuBefore = ProcessCpuMs();
    work();
    Settle();
    settled.cpuMs = ProcessCpuMs() - cpuBefore;
    settled.span.toUs = WallClockUs();
    return settled;
}

bool AccessibilityActive() {
    for (int waited = 0; waited < 3000 && !QAccessible::isActive(); waited += 50)
        Wait(50);
    return QAccessible::isActive();
}

} // namespace bench
