// Stands in for a screen reader: listens to every event the programs raise and asks about the
// object each one comes from, as a reader does before it speaks. The accessibility session
// script starts it beside the program being measured.

#include <atspi/atspi.h>
#include <cstdio>
#include <initializer_list>

namespace {

void Ask(AtspiEvent* event, void*) {
    AtspiAccessible* source = event->source;
    g_free(atspi_accessible_get_name(source, nullptr));
    atspi_accessible_get_role(source, nullptr);
    if (AtspiText* text = atspi_accessible_get_text_iface(source)) {
        g_free(atspi_text_get_text(text, 0, -1, nullptr));
        g_object_unref(text);
    }
    g_boxed_free(ATSPI_TYPE_EVENT, event);
}

} // namespace

int main() {
    if (atspi_init() < 0) {
        std::fputs("screenreader: no accessibility bus\n", stderr);
        return 1;
    }
    AtspiEventListener* listener = atspi_event_listener_new(Ask, nullptr, nullptr);
    for (const char* kind : {"object:", "window:", "focus:"})
        atspi_event_listener_register(listener, kind, nullptr);
    std::puts("listening");
    std::fflush(stdout);
    atspi_event_main();
    return 0;
}
