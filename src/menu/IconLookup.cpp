#include "menu/IconLookup.h"

#include <wrl/client.h>

#include <algorithm>
#include <cwctype>

#include "framework/Registry.h"
#include "framework/ShellFiles.h"

using Microsoft::WRL::ComPtr;

namespace {

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
    if (request.typeOnly)
        LookUpSystemIcon(request.path.c_str(), FILE_ATTRIBUTE_NORMAL, SHGFI_USEFILEATTRIBUTES, answer);
    else
        LookUpFile(request.path, ExtensionOf(request.path.c_str()), answer);
    return answer;
}

void CIconLookup::LookUpFile(const std::wstring& path, const std::wstring& extension, IconAnswer& answer)
{
    if (extension == L".lnk" && LookUpShortcut(path, answer)) return;
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
    answer.iconKey = std::wstring(location) + L"," + std::to_wstring(index);
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
