#pragma once

// Shows a modal GTK message box with one OK button and no icon, and returns
// once it is dismissed. False, having shown nothing, when there is no display
// or GTK 3 cannot be loaded or cannot open it.
bool show_gtk_dialog(const char* title, const char* text);
