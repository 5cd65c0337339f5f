// Opening an entry of the menu folder tree, from the menu or from Find,
// one way for both: the modifiers held choose how (Shift shows it in its
// folder, Ctrl+Shift runs it as administrator, else it opens through the
// shell), the launch runs on the launch lane, and every entry opened is
// told to the listener (the usage log counts it). UI thread only.
#pragma once

#include <functional>
#include <string>

enum class OpenWay { Open, ShowInFolder, RunAsAdministrator };

// The way the modifiers held now choose.
OpenWay OpenWayOfKeys();
// Opens the file or folder the chosen way; false when the launch lane took
// no more (the user has been told).
bool OpenEntry(const std::wstring& path, OpenWay way = OpenWay::Open);
// Called with the full path of every entry opened; one listener.
void ListenToOpenedEntries(std::function<void(const std::wstring& path)> listener);
