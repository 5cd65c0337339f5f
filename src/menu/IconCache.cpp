#include "menu/IconCache.h"

#include <wrl/client.h>

#include <algorithm>
#include <cwctype>

#include "framework/CWinApp.h"
#include "framework/Registry.h"
#include "framework/ShellFiles.h"
#include "menu/MenuFolder.h"
#include "res/resource.h"

using Microsoft::WRL::ComPtr;

namespace {

// The command pictures, in the order of the menu's images.
const UINT kCommandPictures[MenuImage::StripCount] = {
    IDI_MENU_ADD_NEW_ITEM, IDI_PROGRAM,  IDI_MENU_DESKTOP, IDI_MENU_AUTO_START_OFF, IDI_MENU_HELP,
    IDI_MENU_ABOUT,        IDI_MENU_EXIT, IDI_MENU_FOLDER, IDI_MENU_ON,             IDI_MENU_EDIT,
    IDI_MENU_SEPARATOR_OFF, IDI_MENU_SHOW_ALL, IDI_MENU_HOTKEYS,
};

// Types whose every file may show an icon of its own, whatever the
// registry says about them.
const wchar_t* const kIconPerFileTypes[] = { L".exe", L".lnk", L".ico", L".cur", L".ani", L".url",
                                             L".scr", L".cpl", L".pif", L".msc", L".website" };

std::wstring ExtensionOf(LPCWSTR name)
{
    LPCWSTR dot = ::PathFindExtensionW(name);
    std::wstring extension(dot);
    std::transform(extension.begin(), extension.end(), extension.begin(),
                   [](wchar_t c) { return static_cast<wchar_t>(std::towlower(c)); });
    return extension;
}

// A key's default string under HKEY_CLASSES_ROOT, or "".
std::wstring ClassesValue(const std::wstring& key)
{
    CString value;
    return ReadDefaultString(HKEY_CLASSES_ROOT, key.c_str(), value) ? std::wstring(value) : std::wstring();
}

bool ClassesKeyExists(const std::wstring& key) { return RegistryKeyExists(HKEY_CLASSES_ROOT, key.c_str()); }

}  // namespace

CIconCache::CIconCache(int iconSize)
    : m_images(::ImageList_Create(iconSize, iconSize, ILC_COLOR32 | ILC_MASK, 64, 64)), m_iconSize(iconSize)
{
    // The command pictures come at the icon size itself: each is drawn for
    // several sizes. They are held for good.
    for (UINT picture : kCommandPictures) {
        UniqueIcon icon = AfxLoadIcon(picture, iconSize, iconSize);
        ::ImageList_ReplaceIcon(m_images.Get(), -1, icon.Get());
    }
    m_references.assign(MenuImage::StripCount, 1);
    m_iconOfImage.resize(MenuImage::StripCount);
}

int CIconCache::ImageOf(LPCWSTR path, const WIN32_FIND_DATAW& entry)
{
    std::wstring extension = ExtensionOf(entry.cFileName);
    if (!HasIconPerFile(extension)) return ImageOfType(extension, entry.cFileName);
    const ULONGLONG size = (static_cast<ULONGLONG>(entry.nFileSizeHigh) << 32) | entry.nFileSizeLow;
    auto known = m_files.find(path);
    if (known != m_files.end() && known->second.size == size &&
        ::CompareFileTime(&known->second.written, &entry.ftLastWriteTime) == 0) {
        known->second.scan = m_scan;
        return known->second.image;
    }
    ++m_lookups;
    int image = LookUpFile(path, extension);
    if (known != m_files.end()) {
        Release(known->second.image);  // after the new one is held: an unchanged icon keeps its image
        known->second = { entry.ftLastWriteTime, size, image, m_scan };
    } else {
        m_files.emplace(path, FileIcon{ entry.ftLastWriteTime, size, image, m_scan });
    }
    return image;
}

void CIconCache::EndScan()
{
    for (auto file = m_files.begin(); file != m_files.end();) {
        if (file->second.scan == m_scan) {
            ++file;
        } else {
            Release(file->second.image);
            file = m_files.erase(file);
        }
    }
}

// Programs, shortcuts, icon files and the like show icons of their own: the
// registry says so with an icon handler, or a default icon taken from the
// file itself ("%1").
bool CIconCache::HasIconPerFile(const std::wstring& extension)
{
    auto known = m_iconPerFile.find(extension);
    if (known != m_iconPerFile.end()) return known->second;
    bool perFile = std::find(std::begin(kIconPerFileTypes), std::end(kIconPerFileTypes), extension) !=
                   std::end(kIconPerFileTypes);
    if (!perFile && !extension.empty()) {
        std::wstring type = ClassesValue(extension);
        perFile = ClassesKeyExists(extension + L"\\shellex\\IconHandler") ||
                  (!type.empty() && (ClassesKeyExists(type + L"\\shellex\\IconHandler") ||
                                     ClassesValue(type + L"\\DefaultIcon").find(L"%1") != std::wstring::npos));
    }
    m_iconPerFile[extension] = perFile;
    return perFile;
}

// The icon of a type, asked once by a file's name alone: no file is read.
int CIconCache::ImageOfType(const std::wstring& extension, LPCWSTR name)
{
    auto known = m_extensions.find(extension);
    if (known != m_extensions.end()) return known->second;
    ++m_lookups;
    int image = LookUpSystemIcon(name, FILE_ATTRIBUTE_NORMAL, SHGFI_USEFILEATTRIBUTES);
    m_extensions[extension] = image;  // held for good
    return image;
}

int CIconCache::LookUpFile(LPCWSTR path, const std::wstring& extension)
{
    if (extension == L".lnk") {
        int image = LookUpShortcut(path);
        if (image >= 0) return image;
    }
    return LookUpSystemIcon(path, 0, 0);
}

// A shortcut's icon as the shell shows it: the icon it names, or else its
// target's. Read from the shortcut itself, this is far cheaper than asking
// the shell by the shortcut's path, which builds (and keeps much of) a
// shell item for every link.
int CIconCache::LookUpShortcut(LPCWSTR path)
{
    ComPtr<IShellLinkW> link = LoadShortcut(path);
    if (!link) return -1;
    wchar_t named[MAX_PATH] = {}, location[MAX_PATH] = {};
    int index = 0;
    if (SUCCEEDED(link->GetIconLocation(named, MAX_PATH, &index)) && named[0] &&
        ::ExpandEnvironmentStringsW(named, location, MAX_PATH))
        return LookUpIconFile(location, index);
    wchar_t target[MAX_PATH] = {};
    if (FAILED(link->GetPath(target, MAX_PATH, nullptr, 0)) || !target[0]) return -1;
    std::wstring extension = ExtensionOf(target);
    if (::PathIsDirectoryW(target) || HasIconPerFile(extension)) return LookUpSystemIcon(target, 0, 0);
    WIN32_FIND_DATAW typeOnly = {};
    lstrcpynW(typeOnly.cFileName, target, MAX_PATH);
    // The type keeps its own hold on the image; the shortcut takes another.
    return Hold(ImageOfType(extension, typeOnly.cFileName));
}

// An icon taken from a file of icons (an .ico, a program, a library).
int CIconCache::LookUpIconFile(LPCWSTR location, int index)
{
    std::wstring key = std::wstring(location) + L"," + std::to_wstring(index);
    int shared = AcquireExisting(key);
    if (shared >= 0) return shared;
    HICON small = nullptr;
    if (::ExtractIconExW(location, index, nullptr, &small, 1) == 0 || !small) return -1;
    UniqueIcon icon(small);
    return Acquire(key, icon.Get());
}

int CIconCache::LookUpSystemIcon(LPCWSTR path, DWORD attributes, UINT flags)
{
    SHFILEINFOW info = {};
    auto system = reinterpret_cast<HIMAGELIST>(
        ::SHGetFileInfoW(path, attributes, &info, sizeof(info), flags | SHGFI_SYSICONINDEX | SHGFI_SMALLICON));
    if (!system) return -1;
    std::wstring key = L"#" + std::to_wstring(info.iIcon);
    int shared = AcquireExisting(key);
    if (shared >= 0) return shared;
    UniqueIcon icon(::ImageList_GetIcon(system, info.iIcon, ILD_NORMAL));
    return icon ? Acquire(key, icon.Get()) : -1;
}

int CIconCache::AcquireExisting(const std::wstring& key)
{
    auto known = m_imageOfIcon.find(key);
    return known == m_imageOfIcon.end() ? -1 : Hold(known->second);
}

int CIconCache::Hold(int image)
{
    if (image >= 0) ++m_references[static_cast<size_t>(image)];
    return image;
}

int CIconCache::Acquire(const std::wstring& key, HICON icon)
{
    int slot = -1;
    if (!m_freeImages.empty()) {
        slot = m_freeImages.back();
        m_freeImages.pop_back();
    }
    int image = ::ImageList_ReplaceIcon(m_images.Get(), slot, icon);
    if (image < 0) {
        if (slot >= 0) m_freeImages.push_back(slot);
        return -1;
    }
    if (static_cast<size_t>(image) >= m_references.size()) {
        m_references.resize(static_cast<size_t>(image) + 1, 0);
        m_iconOfImage.resize(static_cast<size_t>(image) + 1);
    }
    m_references[static_cast<size_t>(image)] = 1;
    m_iconOfImage[static_cast<size_t>(image)] = key;
    if (!key.empty()) m_imageOfIcon[key] = image;
    return image;
}

void CIconCache::Release(int image)
{
    if (image < MenuImage::StripCount || --m_references[static_cast<size_t>(image)] > 0) return;
    std::wstring& key = m_iconOfImage[static_cast<size_t>(image)];
    if (!key.empty()) m_imageOfIcon.erase(key);
    key.clear();
    m_freeImages.push_back(image);
}

CIconCache& TheIconCache()
{
    static CIconCache cache(::GetSystemMetrics(SM_CXSMICON));
    return cache;
}
