// The small shell icons of the menu folder's files, kept across popups in
// one image list the program owns: the first images are the built-in
// pictures, file icons follow. The cache never asks the shell itself: a
// file that is new, or has changed (last-write time or size) since it was
// last seen, is asked of the shell worker, and shows a stand-in meanwhile
// (its type's icon when known, else the program's own document or program
// picture). Types whose icon is the same for every file of the type
// (documents) are asked once per extension. Files that show one icon share
// its image.
//
// UI thread only: the worker's answers arrive here through its replies.
#pragma once

#include <functional>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/Handles.h"
#include "shell/FolderListing.h"
#include "shell/IconLookup.h"

class CIconCache {
public:
    // An image list of icons of that size, holding the built-in images.
    explicit CIconCache(int iconSize);
    CIconCache(const CIconCache&) = delete;
    CIconCache& operator=(const CIconCache&) = delete;

    HIMAGELIST GetImageList() const { return m_images.Get(); }
    int GetIconSize() const { return m_iconSize; }

    // The image to show for the file now, or -1 for none. When it is a
    // stand-in, awaited (if given) receives the key whose answer will bring
    // the real one.
    int ImageOf(LPCWSTR path, const FolderEntry& entry, std::wstring* awaited = nullptr);

    // Brackets a scan of the menu folder: after a scan of the whole tree,
    // the files not seen between the two calls have gone, and leave the
    // cache with their images. The icons the scan found missing are asked
    // for at its end.
    void BeginScan(bool wholeTree);
    void EndScan();

    // A new snapshot of the menu folder tree: the files it no longer holds
    // leave the cache once it has been gone through, a slice at each turn
    // of the message loop, so that no turn runs long however many files
    // there are (a newer snapshot starts it afresh). The menu's scans
    // meanwhile see files too.
    void ForgetGoneFrom(SnapshotPointer snapshot);
    bool IsForgetting() const { return m_forgetting != nullptr; }
    // Hands the worker the shortcuts to check, when it has nothing else to
    // do, for a target or icon file changed meanwhile: once a press.
    void SendRechecks();

    // An answer of the shell worker. One for a file that has since gone or
    // changed is dropped.
    void Accept(IconAnswer& answer);
    // Called with the key and the image of every answer taken.
    void SetArrivalListener(std::function<void(const std::wstring& key, int image)> listener)
    {
        m_arrived = std::move(listener);
    }

    // While a menu shows, an image given back is given out again only once
    // it has closed: the menu's entries may still show it, and the menu
    // keeps what it drew of each image by its index.
    void SetMenuShowing(bool showing);
    bool IsMenuShowing() const { return m_menuShowing; }

    // Files held; files and types whose answer is still awaited.
    size_t GetFileCount() const { return m_files.size(); }
    size_t GetAwaitedCount() const;

private:
    struct FileIcon {
        FileStamp stamp;   // as the last scan saw it
        int image;         // shown now: its own icon, or a stand-in while asked
        unsigned scan;
        bool asked;        // the answer for this stamp is awaited
        std::wstring sources;  // what the icon came from, for a shortcut
        // The newest snapshot shows the file changed: the scan that shows
        // it next asks anew, and no recheck goes before.
        bool outdated = false;
    };
    struct TypeIcon {
        int image;
        bool asked;
    };

    int ImageOfFile(LPCWSTR path, const FolderEntry& entry, const std::wstring& extension,
                    std::wstring* awaited);
    int ImageOfType(const std::wstring& extension, LPCWSTR name, std::wstring* awaited);
    int StandIn(const std::wstring& extension);
    void Ask(IconRequest request, std::wstring* awaited);
    void ForgetTypeIcons();
    void ForgetFilesNotSeen();
    // Goes through up to that many entries of the snapshot; true once it is
    // through and the files not seen have gone.
    bool ForgetGoneSlice(size_t entries);
    static void CALLBACK ForgetNextSlice(HWND, UINT, UINT_PTR timer, DWORD);
    void AcceptType(const IconAnswer& answer, int image);
    void AcceptFile(const IconAnswer& answer, int image);
    // The image for an icon known by key, adding the icon when the key is
    // new; the caller holds one reference to the image.
    int Acquire(const std::wstring& key, const IconPicture& picture);
    // One more holder of an image (none for -1); Release drops one.
    int Hold(int image);
    void Release(int image);

    UniqueImageList m_images;
    int m_iconSize;
    CIconTypes m_types;
    std::unordered_map<std::wstring, FileIcon> m_files;   // by full path
    // The rechecks of the files held, made anew after any change to them
    // (nullptr until then).
    SharedRequests m_rechecks;
    std::unordered_map<std::wstring, TypeIcon> m_typeIcons;  // by extension, held for good
    std::unordered_map<std::wstring, int> m_imageOfIcon;  // icon key: image
    std::vector<std::wstring> m_iconOfImage;              // image: icon key
    std::vector<int> m_references;                        // image: holders
    std::vector<int> m_freeImages;
    std::vector<int> m_freedWhileShown;
    bool m_menuShowing = false;
    std::vector<IconRequest> m_toAsk;                     // by the scan under way
    unsigned m_scan = 0;
    bool m_wholeScan = false;
    // The snapshot being gone through for files gone, and where.
    SnapshotPointer m_forgetting;
    std::vector<const FolderListing*> m_forgettingFolders;
    size_t m_forgettingFolder = 0, m_forgettingEntry = 0;
    UINT_PTR m_forgettingTimer = 0;
    std::function<void(const std::wstring&, int)> m_arrived;
};

// The program's cache, made on first use at the system's small icon size.
CIconCache& TheIconCache();
