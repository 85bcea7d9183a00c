#include "buswatch.h"

#include <QCoreApplication>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QEventLoop>
#include <QTextStream>
#include <QTimer>
#include <algorithm>
#include <stdexcept>

namespace bench {

namespace {

const QString kWatchConnection = QStringLiteral("bench-buswatch");

QString AccessibilityBusAddress() {
    const QString address = qEnvironmentVariable("AT_SPI_BUS_ADDRESS");
    if (!address.isEmpty())
        return address;
    QDBusInterface bus(QStringLiteral("org.a11y.Bus"), QStringLiteral("/org/a11y/bus"),
                       QStringLiteral("org.a11y.Bus"), QDBusConnection::sessionBus());
    const QDBusReply<QString> reply = bus.call(QStringLiteral("GetAddress"));
    if (!reply.isValid())
        throw std::runtime_error("no accessibility bus: " + reply.error().message().toStdString());
    return reply.value();
}

// The names this process holds on the bus, other than the watch's own, which only asks.
QStringList NamesOfThisProcess(QDBusConnection& bus) {
    QDBusConnectionInterface* daemon = bus.interface();
    QStringList names;
    for (const QString& name : daemon->registeredServiceNames().value())
        if (name.startsWith(QLatin1Char(':')) && name != bus.baseService() &&
            daemon->servicePid(name).value() == QCoreApplication::applicationPid())
            names << name;
    return names;
}

void Wait(int ms) {
    QEventLoop loop;
    QTimer::singleShot(ms, &loop, &QEventLoop::quit);
    loop.exec();
}

} // namespace

BusWatch::BusWatch() {
    const QString address = AccessibilityBusAddress();
    {
        QDBusConnection bus = QDBusConnection::connectToBus(address, kWatchConnection);
        if (!bus.isConnected())
            throw std::runtime_error("cannot join the accessibility bus at " +
                                     address.toStdString());
        // The toolkit's bridge joins a little after accessibility turns active.
        for (int waited = 0; waited < 5000 && names_.isEmpty(); waited += 100) {
            names_ = NamesOfThisProcess(bus);
            if (names_.isEmpty())
                Wait(100);
        }
    }
    QDBusConnection::disconnectFromBus(kWatchConnection);
    if (names_.isEmpty())
        throw std::runtime_error("this process has not joined the accessibility bus");
    QStringList arguments = {QStringLiteral("-oL"), QStringLiteral("dbus-monitor"),
                             QStringLiteral("--address"), address, QStringLiteral("--profile")};
    for (const QString& name : std::as_const(names_))
        arguments << QStringLiteral("destination='%1'").arg(name)
                  << QStringLiteral("sender='%1'").arg(name);
    // Line by line, so that what it saw is all written when it is stopped.
    monitor_.start(QStringLiteral("stdbuf"), arguments);
    if (!monitor_.waitForStarted())
        throw std::runtime_error("dbus-monitor would not start; install dbus-bin");
    // The monitor sees nothing until the bus has taken its rules.
    Wait(500);
}

BusWatch::~BusWatch() {
    if (monitor_.state() != QProcess::NotRunning) {
        monitor_.kill();
        monitor_.waitForFinished();
    }
}

void BusWatch::Stop() {
    Wait(200);
    monitor_.terminate();
    monitor_.waitForFinished();
    for (const QString& line : QString::fromUtf8(monitor_.readAllStandardOutput()).split('\n'))
        Read(line);
}

// A line of the profile: kind, seconds.microseconds, serial, sender, destination, ...
void BusWatch::Read(const QString& line) {
    const QStringList fields = line.split(QLatin1Char('\t'));
    if (fields.size() < 5)
        return;
    const QStringList time = fields[1].split(QLatin1Char('.'));
    const qint64 atUs = time.value(0).toLongLong() * 1000000 + time.value(1).toLongLong();
    if (fields[0] == QStringLiteral("mc") && names_.contains(fields[4]))
        messages_.push_back({atUs, true});
    else if (fields[0] == QStringLiteral("sig") && names_.contains(fields[3]))
        messages_.push_back({atUs, false});
}

Traffic BusWatch::Count(Span span) const {
    Traffic traffic;
    for (const Message& message : messages_)
        if (message.atUs >= span.fromUs && message.atUs <= span.toUs)
            ++(message.question ? traffic.questions : traffic.sent);
    return traffic;
}

void PrintMedians(const std::vector<Measured>& commands, const BusWatch& watch) {
    QTextStream out(stdout);
    for (const Measured& measured : commands) {
        std::vector<double> questions, sent;
        for (const Span& span : measured.spans) {
            const Traffic traffic = watch.Count(span);
            questions.push_back(traffic.questions);
            sent.push_back(traffic.sent);
        }
        out << "cost\t" << measured.command << '\t' << Median(measured.cpuMs) << '\t'
            << Median(questions) << '\t' << Median(sent) << '\n';
    }
}

} // namespace bench
