#include "windowmapped.h"

#include "benchsupport.h"

#include <QElapsedTimer>
#include <cstring>
#include <memory>
#include <poll.h>
#include <stdexcept>
#include <xcb/xcb.h>

namespace bench {

namespace {

constexpr int kTimeoutMs = 60000;

using Connection = std::unique_ptr<xcb_connection_t, decltype(&xcb_disconnect)>;

Connection Connect(const QString& display) {
    Connection connection(xcb_connect(display.toLocal8Bit().constData(), nullptr), xcb_disconnect);
    if (xcb_connection_has_error(connection.get()))
        throw std::runtime_error("cannot connect to the X display " + display.toStdString());
    return connection;
}

// Every top-level window is a child of the root window: its maps are told to the root's
// substructure listeners, without a window manager in between.
void WatchTopLevelMaps(xcb_connection_t* connection) {
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    const uint32_t mask = XCB_EVENT_MASK_SUBSTRUCTURE_NOTIFY;
    xcb_change_window_attributes(connection, root, XCB_CW_EVENT_MASK, &mask);
    xcb_flush(connection);
}

xcb_atom_t Atom(xcb_connection_t* connection, const char* name) {
    const auto cookie = xcb_intern_atom(connection, 0, uint16_t(strlen(name)), name);
    std::unique_ptr<xcb_intern_atom_reply_t, decltype(&free)> reply(
        xcb_intern_atom_reply(connection, cookie, nullptr), free);
    return reply ? reply->atom : XCB_ATOM_NONE;
}

QString Title(xcb_connection_t* connection, xcb_window_t window) {
    const auto cookie = xcb_get_property(connection, 0, window, Atom(connection, "_NET_WM_NAME"),
                                         Atom(connection, "UTF8_STRING"), 0, 1024);
    std::unique_ptr<xcb_get_property_reply_t, decltype(&free)> reply(
        xcb_get_property_reply(connection, cookie, nullptr), free);
    if (!reply)
        return {};
    return QString::fromUtf8(static_cast<const char*>(xcb_get_property_value(reply.get())),
                             xcb_get_property_value_length(reply.get()));
}

// Qt maps a 1×1 client leader of its own, which nobody sees.
bool Visible(xcb_connection_t* connection, xcb_window_t window) {
    std::unique_ptr<xcb_get_geometry_reply_t, decltype(&free)> geometry(
        xcb_get_geometry_reply(connection, xcb_get_geometry(connection, window), nullptr), free);
    return geometry && geometry->width > 1 && geometry->height > 1;
}

// The first visible window mapped whose title starts with the one given. Pop-ups (menus and tool
// tips) bypass the window manager and are passed over, as is a splash window shown before.
void WaitForMap(xcb_connection_t* connection, const QString& title, const QElapsedTimer& clock) {
    pollfd watched{xcb_get_file_descriptor(connection), POLLIN, 0};
    for (;;) {
        while (xcb_generic_event_t* event = xcb_poll_for_event(connection)) {
            const std::unique_ptr<xcb_generic_event_t, decltype(&free)> owned(event, free);
            if ((event->response_type & ~0x80) != XCB_MAP_NOTIFY)
                continue;
            const auto* map = reinterpret_cast<xcb_map_notify_event_t*>(event);
            if (!map->override_redirect && Visible(connection, map->window) &&
                Title(connection, map->window).startsWith(title))
                return;
        }
        if (xcb_connection_has_error(connection))
            throw std::runtime_error("the X display went away");
        const int left = kTimeoutMs - int(clock.elapsed());
        if (left <= 0 || poll(&watched, 1, left) < 0)
            throw std::runtime_error("no window \"" + title.toStdString() +
                                     "\" was mapped within a minute");
    }
}

void End(QProcess& process) {
    process.terminate();
    if (!process.waitForFinished(10000)) {
        process.kill();
        process.waitForFinished();
    }
}

} // namespace

VirtualDisplay::VirtualDisplay() {
    // Xvfb picks a free display number itself and writes it to the descriptor given. Left to
    // itself it resets once its last client has gone, and refuses whoever connects meanwhile:
    // the next program started.
    server_.start(QStringLiteral("Xvfb"),
                  {QStringLiteral("-noreset"), QStringLiteral("-displayfd"), QStringLiteral("1"),
                   QStringLiteral("-screen"), QStringLiteral("0"), QStringLiteral("1280x1024x24"),
                   QStringLiteral("-nolisten"), QStringLiteral("tcp")});
    while (!server_.canReadLine() && server_.waitForReadyRead(10000)) {
    }
    const QString number = QString::fromLatin1(server_.readLine()).trimmed();
    if (number.isEmpty())
        throw std::runtime_error("Xvfb did not start: " + server_.errorString().toStdString());
    name_ = QLatin1Char(':') + number;
}

VirtualDisplay::~VirtualDisplay() {
    End(server_);
}

MappedWindow TimeToWindowMapped(const VirtualDisplay& display, const QString& program,
                                const QString& title, const QString& folder) {
    const Connection connection = Connect(display.Name());
    WatchTopLevelMaps(connection.get());
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("DISPLAY"), display.Name());
    environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    // The window's remembered place is kept in the folder, not in the user's own settings.
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), folder);
    process.setProcessEnvironment(environment);
    process.setWorkingDirectory(folder);
    process.setStandardOutputFile(QProcess::nullDevice());
    QElapsedTimer clock;
    clock.start();
    process.start(program, QStringList());
    WaitForMap(connection.get(), title, clock);
    const double ms = double(clock.nsecsElapsed()) / 1e6;
    const double residentMb = ResidentMb(process.processId());
    End(process);
    return {ms, residentMb};
}

} // namespace bench
