#include "menu/IconLookup.h"

#include <wrl/client.h>

#include <algorithm>
#include <atomic>
#include <cwctype>

#include "framework/Registry.h"
#include "framework/ShellFiles.h"

using Microsoft::WRL::ComPtr;

namespace {

// Changes whenever the file associations change.
std::atomic<unsigned> gAssociations{ 0 };

// Files that hold their own icons: read from the file itself, keyed by its
// stamp, so that a file changed on disk shows its new picture.
const wchar_t* const kIconFileTypes[] = { L".ico", L".cur", L".ani", L".exe" };

// A file's stamp as text, "missing" for none.
std::wstring StampText(LPCWSTR path)
{
    WIN32_FILE_ATTRIBUTE_DATA data;
    if (!path[0] || !::GetFileAttributesExW(path, GetFileExInfoStandard, &data)) return L"missing";
    ULONGLONG written = (static_cast<ULONGLONG>(data.ftLastWriteTime.dwHighDateTime) << 32) |
                        data.ftLastWriteTime.dwLowDateTime;
    ULONGLONG size = (static_cast<ULONGLONG>(data.nFileSizeHigh) << 32) | data.nFileSizeLow;
    return std::to_wstring(written) + L"/" + std::to_wstring(size);
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

FileStamp StampOf(const WIN32_FIND_DATAW& entry)
{
    FileStamp stamp;
    stamp.written = entry.ftLastWriteTime;
    stamp.size = (static_cast<ULONGLONG>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    return stamp;
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

IconRequest MakeIconRequest(CIconTypes& types, LPCWSTR path, const WIN32_FIND_DATAW& entry)
{
    IconRequest request;
    std::wstring extension = ExtensionOf(entry.cFileName);
    if (types.HasIconPerFile(extension)) {
        request.key = path;
        request.path = path;
        request.stamp = StampOf(entry);
    } else {
        request.key = extension;
        request.path = entry.cFileName;
        request.typeOnly = true;
    }
    return request;
}

IconAnswer CIconLookup::LookUp(const IconRequest& request)
{
    IconAnswer answer;
    answer.request = request;
    if (request.typeOnly) {
        LookUpSystemIcon(request.path.c_str(), FILE_ATTRIBUTE_NORMAL, SHGFI_USEFILEATTRIBUTES, answer);
    } else {
        answer.sources = SourcesOf(request.path);
        LookUpFile(request.path, ExtensionOf(request.path.c_str()), answer);
    }
    return answer;
}

bool CIconLookup::SourcesUnchanged(const IconRequest& request) { return SourcesOf(request.path) == request.sources; }

// A shortcut's target and icon file, each with its stamp: a target that
// appears later, a shortcut rewritten in place or an icon file changed on
// disk each change them.
std::wstring CIconLookup::SourcesOf(const std::wstring& path)
{
    if (ExtensionOf(path.c_str()) != L".lnk") return std::wstring();
    ComPtr<IShellLinkW> link = LoadShortcut(path.c_str());
    if (!link) return L"unreadable";
    wchar_t target[MAX_PATH] = {}, named[MAX_PATH] = {}, location[MAX_PATH] = {};
    int index = 0;
    link->GetPath(target, MAX_PATH, nullptr, SLGP_RAWPATH);
    if (SUCCEEDED(link->GetIconLocation(named, MAX_PATH, &index)) && named[0])
        ::ExpandEnvironmentStringsW(named, location, MAX_PATH);
    return std::wstring(target) + L"|" + StampText(target) + L"|" + location + L"," + std::to_wstring(index) + L"|" +
           StampText(location);
}

void CIconLookup::LookUpFile(const std::wstring& path, const std::wstring& extension, IconAnswer& answer)
{
    if (extension == L".lnk" && LookUpShortcut(path, answer)) return;
    if (IsOneOf(kIconFileTypes, extension) && LookUpIconFile(path.c_str(), 0, answer)) return;
    LookUpSystemIcon(path.c_str(), 0, 0, answer);
}

// A shortcut's icon as the shell shows it: the icon it names, or else its
// target's. Read from the shortcut itself, this is far cheaper than asking
// the shell by the shortcut's path, which builds (and keeps much of) a
// shell item for every link.
bool CIconLookup::LookUpShortcut(const std::wstring& path, IconAnswer& answer)
{
    ComPtr<IShellLinkW> link = LoadShortcut(path.c_str());
    if (!link) return false;
    wchar_t named[MAX_PATH] = {}, location[MAX_PATH] = {};
    int index = 0;
    if (SUCCEEDED(link->GetIconLocation(named, MAX_PATH, &index)) && named[0] &&
        ::ExpandEnvironmentStringsW(named, location, MAX_PATH))
        return LookUpIconFile(location, index, answer);
    wchar_t target[MAX_PATH] = {};
    if (FAILED(link->GetPath(target, MAX_PATH, nullptr, 0)) || !target[0]) return false;
    std::wstring extension = ExtensionOf(target);
    if (IsOneOf(kIconFileTypes, extension) && LookUpIconFile(target, 0, answer)) return true;
    if (::PathIsDirectoryW(target) || m_types.HasIconPerFile(extension))
        return LookUpSystemIcon(target, 0, 0, answer);
    // A document's icon is its type's: the image its type's files show.
    return LookUpSystemIcon(::PathFindFileNameW(target), FILE_ATTRIBUTE_NORMAL, SHGFI_USEFILEATTRIBUTES, answer);
}

// An icon taken from a file of icons (an .ico, a program, a library).
bool CIconLookup::LookUpIconFile(LPCWSTR location, int index, IconAnswer& answer)
{
    HICON small = nullptr;
    if (::ExtractIconExW(location, index, nullptr, &small, 1) == 0 || !small) return false;
    answer.icon.Reset(small);
    // The file's stamp is part of the key: a file changed on disk gets an
    // image of its own, not the one its old picture had.
    answer.iconKey = std::wstring(location) + L"," + std::to_wstring(index) + L"," + StampText(location);
    return true;
}

bool CIconLookup::LookUpSystemIcon(LPCWSTR path, DWORD attributes, UINT flags, IconAnswer& answer)
{
    SHFILEINFOW info = {};
    auto system = reinterpret_cast<HIMAGELIST>(
        ::SHGetFileInfoW(path, attributes, &info, sizeof(info), flags | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (!system) return false;
    answer.icon.Reset(::ImageList_GetIcon(system, info.iIcon, ILD_NORMAL));
    answer.iconKey = L"#" + std::to_wstring(info.iIcon);
    return static_cast<bool>(answer.icon);
}
