// Finding a file's small icon through the shell: what the shell worker does
// on its own thread for the icon cache. Nothing here touches the image list
// or the cache's tables, which belong to the UI thread; an answer carries
// the icon over.
#pragma once

#include <functional>
#include <memory>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>

#include "framework/Handles.h"
#include "framework/IconPicture.h"
#include "shell/FolderListing.h"
#include "shell/Probe.h"

// A file's last-write time and size: a file whose stamp changed may show
// another icon.
struct FileStamp {
    FILETIME written = {};
    ULONGLONG size = 0;
    bool operator==(const FileStamp& other) const
    {
        return size == other.size && ::CompareFileTime(&written, &other.written) == 0;
    }
    bool operator!=(const FileStamp& other) const { return !(*this == other); }
};
FileStamp StampOf(const FolderEntry& entry);

// A name's extension with its dot, in lower case ("" for none).
std::wstring ExtensionOf(LPCWSTR name);

// Which types show an icon per file (programs, shortcuts, icon files and
// the like) rather than one per type (documents), forgotten whenever the
// file associations change. Any thread may ask; each owner (the UI
// thread's cache, the icon threads' look-up) keeps its own.
class CIconTypes {
public:
    bool HasIconPerFile(const std::wstring& extension);
    // The stand-in picture's kind while a file's own icon is on its way.
    static bool LooksLikeProgram(const std::wstring& extension);
    // UI thread: whether the file associations changed since it was last
    // asked; every thread's types then forget what they knew.
    static bool AssociationsChanged();

private:
    std::mutex m_lock;
    std::unordered_map<std::wstring, bool> m_perFile;
    unsigned m_generation = 0;
};

struct IconRequest {
    std::wstring key;   // what waits for the answer: the file's path, or a type's extension
    std::wstring path;  // the file; for a type, a name with its extension
    FileStamp stamp;    // the file's, when it was listed
    DWORD attributes = 0;  // the file's own, as listed
    bool typeOnly = false;
    // A check of a file whose icon is known: looked up again only when what
    // it was found from (its sources) has changed since.
    bool recheck = false;
    std::wstring sources;
};

// A list of requests shared, unchanged, between the icon cache and the
// worker that goes through it.
using SharedRequests = std::shared_ptr<const std::vector<IconRequest>>;

struct IconAnswer {
    IconRequest request;
    std::wstring iconKey;  // files showing one icon share one image by this key
    // The icon to show, drawn here for the image list: the UI thread only
    // copies it in. None: there is no icon to show.
    IconPicture picture;
    bool preloaded = false;  // found by the preload, not asked for
    // What the icon was found from beyond the file itself, with their
    // stamps: a shortcut's target and icon file. "" for other files.
    std::wstring sources;
};

// What the icon cache asks for a listed file: its own icon, or its type's.
IconRequest MakeIconRequest(CIconTypes& types, LPCWSTR path, const FolderEntry& entry);

// Whether the attributes mark a placeholder of a cloud-synced folder, whose
// content is downloaded when the file is opened.
bool IsPlaceholder(DWORD attributes);

// Looks icons up on the icon threads, which share one. A file is opened for its icon only
// when it is really there: a placeholder, or a file elsewhere whose drive
// does not answer promptly, shows its type's icon, found from its name and
// attributes alone.
class CIconLookup {
public:
    // Where the attributes of a shortcut's target and icon file come from.
    using AttributeSource = std::function<ProbeAnswer(const std::wstring& path)>;
    CIconLookup();
    explicit CIconLookup(AttributeSource attributesOf) : m_attributesOf(std::move(attributesOf)) {}

    IconAnswer LookUp(const IconRequest& request);
    // For a recheck: whether the file's sources are still as they were.
    bool SourcesUnchanged(const IconRequest& request);
    CIconTypes& Types() { return m_types; }

    // What a shortcut's icon comes from: the icon file it names and its
    // target, each as it answered.
    struct Source {
        std::wstring path;
        ProbeAnswer state;
        // Answered promptly, is there and is no placeholder.
        bool CanOpen() const;
        std::wstring StampText() const;
    };
    struct ShortcutSources {
        Source iconFile, target;
        int index = 0;
        std::wstring Text() const;
    };

private:
    void LookUpFile(const IconRequest& request, IconAnswer& answer);
    bool ReadShortcut(const std::wstring& path, ShortcutSources& sources);
    Source Read(const wchar_t* path);
    bool LookUpShortcut(const ShortcutSources& sources, IconAnswer& answer);
    bool LookUpTarget(const Source& target, IconAnswer& answer);
    bool LookUpIconFile(LPCWSTR location, int index, const std::wstring& stamp, IconAnswer& answer);
    bool LookUpSystemIcon(LPCWSTR path, DWORD attributes, UINT flags, IconAnswer& answer);
    bool LookUpTypeIcon(LPCWSTR name, DWORD attributes, IconAnswer& answer);

    // The answer shows the icon, drawn at the small icon size.
    void SetPicture(UniqueIcon icon, IconAnswer& answer) const;

    CIconTypes m_types;
    AttributeSource m_attributesOf;
    int m_iconSize = ::GetSystemMetrics(SM_CXSMICON);
};
