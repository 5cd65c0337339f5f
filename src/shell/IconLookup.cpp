// Icon look-ups on an icon thread: a file's own icon, a shortcut's from
// what it names, a type's from its name alone.
#include "shell/IconLookup.h"

#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <cwctype>
#include <mutex>

#include "framework/Registry.h"
#include "framework/ShellFiles.h"

using Microsoft::WRL::ComPtr;

namespace {

// Changes whenever the file associations change.
std::atomic<unsigned> gAssociations{ 0 };

// Files that hold their own icons: read from the file itself, keyed by its
// stamp, so that a file changed on disk shows its new picture.
const wchar_t* const kIconFileTypes[] = { L".ico", L".cur", L".ani", L".exe" };

// A stamp as text.
std::wstring StampText(const FILETIME& written, ULONGLONG size)
{
    const ULONGLONG time = (static_cast<ULONGLONG>(written.dwHighDateTime) << 32) | written.dwLowDateTime;
    return std::to_wstring(time) + L"/" + std::to_wstring(size);
}

// Types whose every file may show an icon of its own, whatever the
// registry says about them.
const wchar_t* const kIconPerFileTypes[] = { L".exe", L".lnk", L".ico", L".cur", L".ani", L".url",
                                             L".scr", L".cpl", L".pif", L".msc", L".website" };
// Types shown with the program picture while their icon is on its way.
const wchar_t* const kProgramTypes[] = { L".exe", L".lnk", L".com", L".scr", L".pif", L".bat", L".cmd", L".msc" };

template <size_t N>
bool IsOneOf(const wchar_t* const (&list)[N], const std::wstring& extension)
{
    return std::find(std::begin(list), std::end(list), extension) != std::end(list);
}

// A key's default string under HKEY_CLASSES_ROOT, or "".
std::wstring ClassesValue(const std::wstring& key)
{
    CString value;
    return ReadDefaultString(HKEY_CLASSES_ROOT, key.c_str(), value) ? std::wstring(value) : std::wstring();
}

bool ClassesKeyExists(const std::wstring& key) { return RegistryKeyExists(HKEY_CLASSES_ROOT, key.c_str()); }

}  // namespace

FileStamp StampOf(const FolderEntry& entry)
{
    FileStamp stamp;
    stamp.written = entry.written;
    stamp.size = entry.size;
    return stamp;
}

bool IsPlaceholder(DWORD attributes)
{
    // Newer than the headers' Windows: a cloud file's content not on disk.
    constexpr DWORD kRecallOnOpen = 0x00040000, kRecallOnDataAccess = 0x00400000;
    return attributes != INVALID_FILE_ATTRIBUTES &&
           (attributes & (FILE_ATTRIBUTE_OFFLINE | kRecallOnOpen | kRecallOnDataAccess)) != 0;
}

CIconLookup::CIconLookup()
    : m_attributesOf([](const std::wstring& path) { return TimedAttributes(path, kPromptAnswerMs); })
{
}

std::wstring ExtensionOf(LPCWSTR name)
{
    std::wstring extension(::PathFindExtensionW(name));
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return extension;
}

// Programs, shortcuts, icon files and the like show icons of their own: the
// registry says so with an icon handler, or a default icon taken from the
// file itself ("%1").
bool CIconTypes::HasIconPerFile(const std::wstring& extension)
{
    std::lock_guard<std::mutex> hold(m_lock);
    if (m_generation != gAssociations) {
        m_perFile.clear();
        m_generation = gAssociations;
    }
    auto known = m_perFile.find(extension);
    if (known != m_perFile.end()) return known->second;
    bool perFile = IsOneOf(kIconPerFileTypes, extension);
    if (!perFile && !extension.empty()) {
        std::wstring type = ClassesValue(extension);
        perFile = ClassesKeyExists(extension + L"\\shellex\\IconHandler") ||
                  (!type.empty() && (ClassesKeyExists(type + L"\\shellex\\IconHandler") ||
                                     ClassesValue(type + L"\\DefaultIcon").find(L"%1") != std::wstring::npos));
    }
    m_perFile[extension] = perFile;
    return perFile;
}

bool CIconTypes::LooksLikeProgram(const std::wstring& extension) { return IsOneOf(kProgramTypes, extension); }

bool CIconTypes::AssociationsChanged()
{
    static CRegistryWatch user(HKEY_CURRENT_USER, L"Software\\Classes");
    static CRegistryWatch machine(HKEY_LOCAL_MACHINE, L"Software\\Classes");
    const bool changed = user.Changed() | machine.Changed();
    if (changed) ++gAssociations;
    return changed;
}

IconRequest MakeIconRequest(CIconTypes& types, LPCWSTR path, const FolderEntry& entry)
{
    IconRequest request;
    std::wstring extension = ExtensionOf(entry.name.c_str());
    if (types.HasIconPerFile(extension)) {
        request.key = path;
        request.path = path;
        request.stamp = StampOf(entry);
        request.attributes = entry.attributes;
    } else {
        request.key = extension;
        request.path = entry.name;
        request.typeOnly = true;
    }
    return request;
}

IconAnswer CIconLookup::LookUp(const IconRequest& request)
{
    IconAnswer answer;
    answer.request = request;
    if (request.typeOnly)
        LookUpSystemIcon(request.path.c_str(), FILE_ATTRIBUTE_NORMAL, SHGFI_USEFILEATTRIBUTES, answer);
    else if (IsPlaceholder(request.attributes))
        LookUpTypeIcon(::PathFindFileNameW(request.path.c_str()), request.attributes, answer);
    else
        LookUpFile(request, answer);
    return answer;
}

bool CIconLookup::SourcesUnchanged(const IconRequest& request)
{
    ShortcutSources sources;
    return ReadShortcut(request.path, sources) && sources.Text() == request.sources;
}

bool CIconLookup::Source::CanOpen() const
{
    return state.prompt && state.attributes != INVALID_FILE_ATTRIBUTES && !IsPlaceholder(state.attributes);
}

std::wstring CIconLookup::Source::StampText() const
{
    if (path.empty() || !state.prompt) return path.empty() ? L"none" : L"slow";
    if (state.attributes == INVALID_FILE_ATTRIBUTES) return L"missing";
    return ::StampText(state.written, state.size);
}

// A shortcut's target and icon file, each with its stamp: a target that
// appears later, a shortcut rewritten in place or an icon file changed on
// disk each change them.
std::wstring CIconLookup::ShortcutSources::Text() const
{
    return target.path + L"|" + target.StampText() + L"|" + iconFile.path + L"," + std::to_wstring(index) + L"|" +
           iconFile.StampText();
}

CIconLookup::Source CIconLookup::Read(const wchar_t* path)
{
    Source source;
    source.path = path;
    if (path[0]) source.state = m_attributesOf(source.path);
    return source;
}

// Each source is asked for once: on a slow drive every question waits.
bool CIconLookup::ReadShortcut(const std::wstring& path, ShortcutSources& sources)
{
    ComPtr<IShellLinkW> link = LoadShortcut(path.c_str());
    if (!link) return false;
    wchar_t target[MAX_PATH] = {}, named[MAX_PATH] = {}, location[MAX_PATH] = {};
    link->GetPath(target, MAX_PATH, nullptr, 0);
    if (SUCCEEDED(link->GetIconLocation(named, MAX_PATH, &sources.index)) && named[0])
        ::ExpandEnvironmentStringsW(named, location, MAX_PATH);
    sources.target = Read(target);
    sources.iconFile = Read(location);
    return true;
}

void CIconLookup::LookUpFile(const IconRequest& request, IconAnswer& answer)
{
    const std::wstring& path = request.path;
    const std::wstring extension = ExtensionOf(path.c_str());
    if (extension == L".lnk") {
        ShortcutSources sources;
        if (ReadShortcut(path, sources)) {
            answer.sources = sources.Text();
            if (LookUpShortcut(sources, answer)) return;
        } else {
            answer.sources = L"unreadable";
        }
    }
    if (IsOneOf(kIconFileTypes, extension) &&
        LookUpIconFile(path.c_str(), 0, StampText(request.stamp.written, request.stamp.size), answer))
        return;
    LookUpSystemIcon(path.c_str(), 0, 0, answer);
}

// A shortcut's icon as the shell shows it: the icon it names, or else its
// target's. Read from the shortcut itself, this is far cheaper than asking
// the shell by the shortcut's path, which builds (and keeps much of) a
// shell item for every link.
bool CIconLookup::LookUpShortcut(const ShortcutSources& sources, IconAnswer& answer)
{
    if (sources.iconFile.CanOpen() &&
        LookUpIconFile(sources.iconFile.path.c_str(), sources.index, sources.iconFile.StampText(), answer))
        return true;
    return !sources.target.path.empty() && LookUpTarget(sources.target, answer);
}

// A shortcut's target: its own icon where it has one and can be read, else
// its type's.
bool CIconLookup::LookUpTarget(const Source& target, IconAnswer& answer)
{
    LPCWSTR path = target.path.c_str();
    const DWORD attributes = target.state.prompt && target.state.attributes != INVALID_FILE_ATTRIBUTES
                                 ? target.state.attributes
                                 : 0;
    if (!target.CanOpen()) return LookUpTypeIcon(::PathFindFileNameW(path), attributes, answer);
    std::wstring extension = ExtensionOf(path);
    if (IsOneOf(kIconFileTypes, extension) && LookUpIconFile(path, 0, target.StampText(), answer)) return true;
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) || m_types.HasIconPerFile(extension))
        return LookUpSystemIcon(path, 0, 0, answer);
    // A document's icon is its type's: the image its type's files show.
    return LookUpTypeIcon(::PathFindFileNameW(path), FILE_ATTRIBUTE_NORMAL, answer);
}

// A type's icon from a name and attributes alone: no file is read.
bool CIconLookup::LookUpTypeIcon(LPCWSTR name, DWORD attributes, IconAnswer& answer)
{
    const DWORD shown = attributes & FILE_ATTRIBUTE_DIRECTORY ? FILE_ATTRIBUTE_DIRECTORY : FILE_ATTRIBUTE_NORMAL;
    return LookUpSystemIcon(name, shown, SHGFI_USEFILEATTRIBUTES, answer);
}

// An icon taken from a file of icons (an .ico, a program, a library).
bool CIconLookup::LookUpIconFile(LPCWSTR location, int index, const std::wstring& stamp, IconAnswer& answer)
{
    HICON small = nullptr;
    if (::ExtractIconExW(location, index, nullptr, &small, 1) == 0 || !small) return false;
    SetPicture(UniqueIcon(small), answer);
    if (!answer.picture) return false;
    // The file's stamp is part of the key: a file changed on disk gets an
    // image of its own, not the one its old picture had.
    answer.iconKey = std::wstring(location) + L"," + std::to_wstring(index) + L"," + stamp;
    return true;
}

bool CIconLookup::LookUpSystemIcon(LPCWSTR path, DWORD attributes, UINT flags, IconAnswer& answer)
{
    UniqueIcon icon;
    SHFILEINFOW info = {};
    {
        // The system image list is one for the process and not made for two
        // threads at once: the shell may grow it while another reads from it.
        static std::mutex* systemImages = new std::mutex;
        std::lock_guard<std::mutex> hold(*systemImages);
        auto system = reinterpret_cast<HIMAGELIST>(
            ::SHGetFileInfoW(path, attributes, &info, sizeof(info), flags | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
        if (!system) return false;
        icon.Reset(::ImageList_GetIcon(system, info.iIcon, ILD_NORMAL));
    }
    SetPicture(std::move(icon), answer);
    answer.iconKey = L"#" + std::to_wstring(info.iIcon);
    return static_cast<bool>(answer.picture);
}

void CIconLookup::SetPicture(UniqueIcon icon, IconAnswer& answer) const
{
    answer.picture = icon ? PictureOfIcon(icon.Get(), m_iconSize) : IconPicture();
}
