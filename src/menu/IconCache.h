// The small shell icons of the menu folder's files, kept across popups in
// one image list the program owns: images 0-12 are the built-in command
// images, file icons follow. A file goes to the shell only when it is new,
// or has changed (last-write time or size) since it was last seen; types
// whose icon is the same for every file of the type (documents) are looked
// up once per extension. Files that show one icon share its image.
#pragma once

#include <string>
#include <unordered_map>
#include <vector>

#include "framework/Handles.h"

class CIconCache {
public:
    // An image list of icons of that size, holding the built-in images.
    explicit CIconCache(int iconSize);
    CIconCache(const CIconCache&) = delete;
    CIconCache& operator=(const CIconCache&) = delete;

    HIMAGELIST GetImageList() const { return m_images.Get(); }
    int GetIconSize() const { return m_iconSize; }

    // The image of the file's small icon, or -1 when none can be had.
    int ImageOf(LPCWSTR path, const WIN32_FIND_DATAW& entry);

    // Brackets a scan of the whole menu folder: the files not seen between
    // the two calls have gone, and leave the cache with their images.
    void BeginScan() { ++m_scan; }
    void EndScan();

    // How many times the shell was asked for an icon; files held.
    unsigned GetLookupCount() const { return m_lookups; }
    size_t GetFileCount() const { return m_files.size(); }

private:
    struct FileIcon {
        FILETIME written;
        ULONGLONG size;
        int image;
        unsigned scan;
    };

    bool HasIconPerFile(const std::wstring& extension);
    int ImageOfType(const std::wstring& extension, LPCWSTR name);
    int LookUpFile(LPCWSTR path, const std::wstring& extension);
    int LookUpShortcut(LPCWSTR path);
    int LookUpIconFile(LPCWSTR location, int index);
    int LookUpSystemIcon(LPCWSTR path, DWORD attributes, UINT flags);
    // The image for an icon known by key, adding the icon when the key is
    // new; the caller holds one reference to the image.
    int Acquire(const std::wstring& key, HICON icon);
    int AcquireExisting(const std::wstring& key);
    // One more holder of an image (none for -1); Release drops one.
    int Hold(int image);
    void Release(int image);

    UniqueImageList m_images;
    int m_iconSize;
    std::unordered_map<std::wstring, FileIcon> m_files;        // by full path
    std::unordered_map<std::wstring, int> m_extensions;        // extension: image
    std::unordered_map<std::wstring, bool> m_iconPerFile;      // extension: icon per file?
    std::unordered_map<std::wstring, int> m_imageOfIcon;       // icon key: image
    std::vector<std::wstring> m_iconOfImage;                   // image: icon key
    std::vector<int> m_references;                             // image: holders
    std::vector<int> m_freeImages;
    unsigned m_scan = 0;
    unsigned m_lookups = 0;
};

// The program's cache, made on first use at the system's small icon size.
CIconCache& TheIconCache();
