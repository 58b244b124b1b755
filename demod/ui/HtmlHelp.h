#pragma once
// The plug-in's help requests. There is no compiled-help viewer on this system: a request names
// the topic in the debug output and is remembered, so that a window's "Help" button can be
// checked and a viewer can be added in one place.

#include <cstdint>
#include <string>

inline constexpr unsigned HH_DISPLAY_TOPIC = 0;

// `file` is "<help file>::/<topic>"; answers null (no help window is opened).
void* HtmlHelpA(void* owner, const char* file, unsigned command, std::uintptr_t data);

// The last topic asked for (empty when none).
std::string LastHelpRequest();

// Shows a topic of the plug-in's help file "Q745DemodPro.chm" in the plug-in folder.
void ShowPluginHelp(const char* topic);

// The plug-in folder with a separator appended: the plug-in host's "SearchPath"; empty when unset.
std::string PluginFolder();
