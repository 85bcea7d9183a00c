#pragma once

#include <QProcess>
#include <QString>
#include <QStringList>

// Times programs as their users wait for them: from the moment the process is started to the
// moment its first top-level window is mapped on an X display.
namespace bench {

// An Xvfb display of the benchmark's own, so nothing else on the screen can delay a map.
class VirtualDisplay {
public:
    VirtualDisplay();
    ~VirtualDisplay();
    VirtualDisplay(const VirtualDisplay&) = delete;
    VirtualDisplay& operator=(const VirtualDisplay&) = delete;
    const QString& Name() const { return name_; }

private:
    QProcess server_;
    QString name_;
};

struct MappedWindow {
    double ms;
    // The program's resident memory once its window is mapped.
    double residentMb;
};

// Starts PROGRAM in FOLDER on the display, waits for a top-level window whose title starts with
// TITLE to be mapped, then ends the process. Throws when none comes within a minute.
MappedWindow TimeToWindowMapped(const VirtualDisplay& display, const QString& program,
                                const QString& title, const QString& folder);

} // namespace bench
