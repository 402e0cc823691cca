#include "gtk_dialog.h"

#include "gtk_api.h"
#include "utf8_text.h"

#include <cstdlib>
#include <dlfcn.h>
#include <string>

namespace {

struct Gtk {
    gtk_api::message_dialog_new message_dialog_new;
    gtk_api::window_set_title window_set_title;
    gtk_api::window_set_position window_set_position;
    gtk_api::dialog_run dialog_run;
    gtk_api::widget_destroy widget_destroy;
    gtk_api::events_pending events_pending;
    gtk_api::main_iteration main_iteration;
};

bool has_display()
{
    for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY"}) {
        const char* value = std::getenv(name);
        if (value != nullptr && value[0] != '\0')
            return true;
    }
    return false;
}

template <typename Function>
bool resolve(void* library, const char* name, Function& function)
{
    function = reinterpret_cast<Function>(dlsym(library, name));
    return function != nullptr;
}

// Loads GTK and opens the display: null when either fails. The library stays
// loaded for the rest of the process, as GTK cannot be unloaded.
const Gtk* load_gtk()
{
    void* library = dlopen(gtk_api::library, RTLD_NOW | RTLD_LOCAL);
    if (library == nullptr)
        return nullptr;
    static Gtk gtk;
    gtk_api::disable_setlocale disable_setlocale;
    gtk_api::init_check init_check;
    bool found = resolve(library, "gtk_disable_setlocale", disable_setlocale) &&
                 resolve(library, "gtk_init_check", init_check) &&
                 resolve(library, "gtk_message_dialog_new", gtk.message_dialog_new) &&
                 resolve(library, "gtk_window_set_title", gtk.window_set_title) &&
                 resolve(library, "gtk_window_set_position", gtk.window_set_position) &&
                 resolve(library, "gtk_dialog_run", gtk.dialog_run) &&
                 resolve(library, "gtk_widget_destroy", gtk.widget_destroy) &&
                 resolve(library, "gtk_events_pending", gtk.events_pending) &&
                 resolve(library, "gtk_main_iteration", gtk.main_iteration);
    if (!found)
        return nullptr;
    // The rest of the program keeps the C locale it started with.
    disable_setlocale();
    if (!init_check(nullptr, nullptr))
        return nullptr;
    return &gtk;
}

}  // namespace

bool show_gtk_dialog(const char* title, const char* text)
{
    // Without a display nothing is loaded: a headless run costs one getenv.
    if (!has_display())
        return false;
    static const Gtk* gtk = load_gtk();
    if (gtk == nullptr)
        return false;

    std::string safe_title = valid_utf8(title);
    std::string safe_text = valid_utf8(text);
    // The text goes through "%s": it is never read as a format or as markup.
    GtkWidget* dialog = gtk->message_dialog_new(nullptr, gtk_api::dialog_modal,
                                                gtk_api::message_other, gtk_api::buttons_ok,
                                                "%s", safe_text.c_str());
    if (dialog == nullptr)
        return false;
    gtk->window_set_title(dialog, safe_title.c_str());
    gtk->window_set_position(dialog, gtk_api::window_centered);
    // Every way of dismissing the box ends the run: OK, Enter, Escape, closing.
    gtk->dialog_run(dialog);
    gtk->widget_destroy(dialog);
    // Let the window go from the screen now, not when the process ends.
    while (gtk->events_pending())
        gtk->main_iteration();
    return true;
}
