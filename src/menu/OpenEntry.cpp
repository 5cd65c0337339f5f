#include "menu/OpenEntry.h"

#include "framework/Keyboard.h"
#include "shell/Launch.h"

namespace {

// UI thread only.
std::function<void(const std::wstring&)> gOpenedListener;

}  // namespace

OpenWay OpenWayOfKeys()
{
    const bool ctrl = IsKeyDown(VK_CONTROL), shift = IsKeyDown(VK_SHIFT);
    if (ctrl && shift) return OpenWay::RunAsAdministrator;
    return shift ? OpenWay::ShowInFolder : OpenWay::Open;
}

bool OpenEntry(const std::wstring& path, OpenWay way)
{
    bool queued = false;
    switch (way) {
    case OpenWay::Open: queued = QueueLaunch(LaunchRequest(path)); break;
    case OpenWay::ShowInFolder: queued = QueueShowInFolder(path); break;
    case OpenWay::RunAsAdministrator: queued = QueueLaunch(LaunchRequest(path, L"runas")); break;
    }
    if (queued && gOpenedListener) gOpenedListener(path);
    return queued;
}

void ListenToOpenedEntries(std::function<void(const std::wstring& path)> listener)
{
    gOpenedListener = std::move(listener);
}
