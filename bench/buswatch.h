#pragma once

#include "settling.h"

#include <QProcess>
#include <QStringList>
#include <vector>

// What passes between this process and a screen reader on the desktop's accessibility bus: the
// questions the reader asks it and the signals it raises, watched by dbus-monitor from outside, so
// that the watching costs the process nothing and counts the same in every window measured.
namespace bench {

struct Traffic {
    int questions = 0;
    int sent = 0;
};

class BusWatch {
public:
    // Once accessibility is active: finds this process's connection to the bus and starts the
    // monitor on it.
    BusWatch();
    ~BusWatch();
    BusWatch(const BusWatch&) = delete;
    BusWatch& operator=(const BusWatch&) = delete;

    // Ends the watch and reads what the monitor saw.
    void Stop();
    Traffic Count(Span span) const;

private:
    struct Message {
        qint64 atUs;
        bool question;
    };
    void Read(const QString& line);

    QStringList names_;
    QProcess monitor_;
    std::vector<Message> messages_;
};

} // namespace bench

namespace bench {

// One command's measures over its rounds.
struct Measured {
    QString command;
    std::vector<double> cpuMs;
    std::vector<Span> spans;
};

// For the process that started this one: a line for each command, with the medians of its CPU
// time, of the questions asked and of the signals raised.
void PrintMedians(const std::vector<Measured>& commands, const BusWatch& watch);

} // namespace bench
