// The handful of GTK 3 entry points the message box uses, declared here with
// opaque pointers so that building needs no GTK and the program links none:
// the library is loaded at run time, and only when there is a display.
#pragma once

struct GtkWidget;

namespace gtk_api {

// Values of GTK 3's enumerations, fixed by its ABI.
constexpr int dialog_modal = 1;     // GTK_DIALOG_MODAL
constexpr int message_other = 4;    // GTK_MESSAGE_OTHER: no icon
constexpr int buttons_ok = 1;       // GTK_BUTTONS_OK
constexpr int window_centered = 1;  // GTK_WIN_POS_CENTER

constexpr const char library[] = "libgtk-3.so.0";

using disable_setlocale = void (*)();
using init_check = int (*)(int* argc, char*** argv);
using message_dialog_new = GtkWidget* (*)(GtkWidget* parent, int flags, int type, int buttons,
                                          const char* format, ...);
using window_set_title = void (*)(GtkWidget* window, const char* title);
using window_set_position = void (*)(GtkWidget* window, int position);
using dialog_run = int (*)(GtkWidget* dialog);
using widget_destroy = void (*)(GtkWidget* widget);
using events_pending = int (*)();
using main_iteration = int (*)();

}  // namespace gtk_api
