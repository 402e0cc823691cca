// Our own declarations of GTK's values against the installed library, which
// names each value of its enumerations at run time.
#include "posix/gtk_api.h"

#include <gtest/gtest.h>

#include <dlfcn.h>

namespace {

// GLib's records for one value of an enumeration and of a set of flags.
struct EnumValue {
    int value;
    const char* name;
    const char* nick;
};
struct FlagsValue {
    unsigned value;
    const char* name;
    const char* nick;
};

using type_function = unsigned long (*)();
using class_ref = void* (*)(unsigned long type);
using enum_value_by_name = EnumValue* (*)(void* enum_class, const char* name);
using flags_value_by_name = FlagsValue* (*)(void* flags_class, const char* name);

struct Constant {
    const char* type_function;
    const char* name;
    int ours;
};

TEST(GtkApi, ValuesMatchTheInstalledToolkit)
{
    void* gtk = dlopen(gtk_api::library, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(gtk, nullptr) << dlerror();
    auto ref = reinterpret_cast<class_ref>(dlsym(gtk, "g_type_class_ref"));
    auto enum_value = reinterpret_cast<enum_value_by_name>(dlsym(gtk, "g_enum_get_value_by_name"));
    auto flags_value = reinterpret_cast<flags_value_by_name>(dlsym(gtk, "g_flags_get_value_by_name"));
    ASSERT_TRUE(ref != nullptr && enum_value != nullptr && flags_value != nullptr);

    const Constant enums[] = {
        {"gtk_message_type_get_type", "GTK_MESSAGE_OTHER", gtk_api::message_other},
        {"gtk_buttons_type_get_type", "GTK_BUTTONS_OK", gtk_api::buttons_ok},
        {"gtk_window_position_get_type", "GTK_WIN_POS_CENTER", gtk_api::window_centered},
    };
    for (const Constant& constant : enums) {
        auto type = reinterpret_cast<type_function>(dlsym(gtk, constant.type_function));
        ASSERT_NE(type, nullptr) << constant.type_function;
        EnumValue* value = enum_value(ref(type()), constant.name);
        ASSERT_NE(value, nullptr) << constant.name;
        EXPECT_EQ(value->value, constant.ours) << constant.name;
    }

    auto dialog_flags = reinterpret_cast<type_function>(dlsym(gtk, "gtk_dialog_flags_get_type"));
    ASSERT_NE(dialog_flags, nullptr);
    FlagsValue* modal = flags_value(ref(dialog_flags()), "GTK_DIALOG_MODAL");
    ASSERT_NE(modal, nullptr);
    EXPECT_EQ(modal->value, static_cast<unsigned>(gtk_api::dialog_modal));
}

}  // namespace
