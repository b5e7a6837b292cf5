#pragma once
// The extension records the plug-in offers, each defined beside the code it calls.
#include <clap/ext/gui.h>
#include <clap/ext/note-ports.h>
#include <clap/ext/params.h>
#include <clap/ext/state.h>
#include <clap/ext/timer-support.h>

extern const clap_plugin_note_ports_t kClapNotePorts;  // ClapPlugin.cpp
extern const clap_plugin_params_t kClapParams;          // ClapParams.cpp
extern const clap_plugin_state_t kClapState;            // ClapState.cpp
extern const clap_plugin_gui_t kClapGui;                // ClapGui.cpp
extern const clap_plugin_timer_support_t kClapTimerSupport;
