#include "menu/IconCache.h"

#include "framework/CWinApp.h"
#include "framework/ShellFiles.h"
#include "menu/MenuFolder.h"
#include "shell/ShellWorker.h"
#include "res/resource.h"

namespace {

// The built-in pictures, in the order of the menu's images.
const UINT kBuiltInPictures[MenuImage::StripCount] = {
    IDI_MENU_ADD_NEW_ITEM,  IDI_PROGRAM,       IDI_MENU_DESKTOP, IDI_MENU_AUTO_START_OFF, IDI_MENU_HELP,
    IDI_MENU_ABOUT,         IDI_MENU_EXIT,     IDI_MENU_FOLDER,  IDI_MENU_ON,             IDI_MENU_EDIT,
    IDI_MENU_SEPARATOR_OFF, IDI_MENU_SHOW_ALL, IDI_MENU_HOTKEYS, IDI_MENU_DOCUMENT,       IDI_MENU_PROGRAM_FILE,
    IDI_MENU_AUTO_START_ON, IDI_MENU_FIND,
};

}  // namespace

CIconCache::CIconCache(int iconSize)
    : m_images(::ImageList_Create(iconSize, iconSize, ILC_COLOR32 | ILC_MASK, 64, 64)), m_iconSize(iconSize)
{
    // The built-in pictures come at the icon size itself: each is drawn for
    // several sizes. They are held for good.
    for (UINT picture : kBuiltInPictures) {
        UniqueIcon icon = AfxLoadIcon(picture, iconSize, iconSize);
        ::ImageList_ReplaceIcon(m_images.Get(), -1, icon.Get());
    }
    m_references.assign(MenuImage::StripCount, 1);
    m_iconOfImage.resize(MenuImage::StripCount);
}

int CIconCache::ImageOf(LPCWSTR path, const FolderEntry& entry, std::wstring* awaited)
{
    std::wstring extension = ExtensionOf(entry.name.c_str());
    if (!m_types.HasIconPerFile(extension)) return ImageOfType(extension, entry.name.c_str(), awaited);
    return ImageOfFile(path, entry, extension, awaited);
}

int CIconCache::ImageOfFile(LPCWSTR path, const FolderEntry& entry, const std::wstring& extension,
                            std::wstring* awaited)
{
    const FileStamp stamp = StampOf(entry);
    auto known = m_files.find(path);
    if (known != m_files.end() && known->second.stamp == stamp) {
        known->second.scan = m_scan;
        // Asked again: the worker looks nothing up twice, and a worker
        // started afresh learns what is still awaited.
        if (known->second.asked) Ask(MakeIconRequest(m_types, path, entry), awaited);
        return known->second.image;
    }
    if (known == m_files.end()) {
        known = m_files.emplace(path, FileIcon{ stamp, Hold(StandIn(extension)), m_scan, true, {} }).first;
    } else {
        // Changed: the old icon stays until the new one comes.
        known->second = FileIcon{ stamp, known->second.image, m_scan, true, {} };
        m_rechecks.reset();
    }
    Ask(MakeIconRequest(m_types, path, entry), awaited);
    return known->second.image;
}

// A type's icon, asked for once by a file's name alone: no file is read.
int CIconCache::ImageOfType(const std::wstring& extension, LPCWSTR name, std::wstring* awaited)
{
    auto known = m_typeIcons.find(extension);
    if (known != m_typeIcons.end() && !known->second.asked) return known->second.image;
    if (known == m_typeIcons.end()) m_typeIcons.emplace(extension, TypeIcon{ MenuImage::Document, true });
    IconRequest request;
    request.key = extension;
    request.path = name;
    request.typeOnly = true;
    Ask(std::move(request), awaited);
    return MenuImage::Document;
}

// What a file shows while its own icon is on its way: its type's icon when
// known, else the program's own picture of a program or a document.
int CIconCache::StandIn(const std::wstring& extension)
{
    auto type = m_typeIcons.find(extension);
    if (type != m_typeIcons.end() && !type->second.asked && type->second.image >= 0) return type->second.image;
    return CIconTypes::LooksLikeProgram(extension) ? MenuImage::ProgramFile : MenuImage::Document;
}

void CIconCache::Ask(IconRequest request, std::wstring* awaited)
{
    if (awaited) *awaited = request.key;
    m_toAsk.push_back(std::move(request));
}

void CIconCache::BeginScan(bool wholeTree)
{
    m_wholeScan = wholeTree;
    // A changed association may give a type another icon: every type is
    // asked again, cheaply (one registry notification tells).
    if (CIconTypes::AssociationsChanged()) ForgetTypeIcons();
    if (wholeTree) ++m_scan;
}

void CIconCache::ForgetTypeIcons()
{
    for (const auto& type : m_typeIcons) Release(type.second.image);
    m_typeIcons.clear();
}

// Shortcuts whose icons are known are checked by the worker, when it has
// nothing else to do, for a target or icon file that changed meanwhile. The
// list is made again only when the files or their icons changed: a warm
// press of 2,000 shortcuts hands on the same one.
void CIconCache::SendRechecks()
{
    if (!m_rechecks) {
        auto rechecks = std::make_shared<std::vector<IconRequest>>();
        for (const auto& file : m_files) {
            if (file.second.asked || file.second.outdated || file.second.sources.empty()) continue;
            IconRequest request;
            request.key = request.path = file.first;
            request.stamp = file.second.stamp;
            request.recheck = true;
            request.sources = file.second.sources;
            rechecks->push_back(std::move(request));
        }
        m_rechecks = std::move(rechecks);
    }
    if (!m_rechecks->empty()) TheShellWorker().Recheck(m_rechecks);
}

void CIconCache::ForgetFilesNotSeen()
{
    for (auto file = m_files.begin(); file != m_files.end();) {
        if (file->second.scan == m_scan) {
            ++file;
        } else {
            Release(file->second.image);
            file = m_files.erase(file);
            m_rechecks.reset();
        }
    }
}

void CIconCache::EndScan()
{
    if (m_wholeScan) ForgetFilesNotSeen();
    if (!m_toAsk.empty()) TheShellWorker().LookUp(std::move(m_toAsk), CShellWorker::Need::Menu);
    m_toAsk.clear();
    if (m_wholeScan) SendRechecks();
}

namespace {

// Entries gone through in one turn: well under a frame's time.
constexpr size_t kEntriesPerSlice = 4000;

}  // namespace

void CIconCache::ForgetGoneFrom(SnapshotPointer snapshot)
{
    m_forgetting = std::move(snapshot);
    m_forgettingFolders.clear();
    m_forgetting->ForEachListing([this](const FolderListing& listing) { m_forgettingFolders.push_back(&listing); });
    m_forgettingFolder = m_forgettingEntry = 0;
    ++m_scan;
    if (!m_forgettingTimer) m_forgettingTimer = ::SetTimer(nullptr, 0, USER_TIMER_MINIMUM, ForgetNextSlice);
}

void CALLBACK CIconCache::ForgetNextSlice(HWND, UINT, UINT_PTR timer, DWORD)
{
    CIconCache& cache = TheIconCache();
    if (!cache.ForgetGoneSlice(kEntriesPerSlice)) return;
    ::KillTimer(nullptr, timer);
    cache.m_forgettingTimer = 0;
}

bool CIconCache::ForgetGoneSlice(size_t entries)
{
    if (!m_forgetting) return true;
    wchar_t path[MAX_PATH];
    for (; m_forgettingFolder < m_forgettingFolders.size(); ++m_forgettingFolder, m_forgettingEntry = 0) {
        const FolderListing& listing = *m_forgettingFolders[m_forgettingFolder];
        for (; m_forgettingEntry < listing.entries.size(); ++m_forgettingEntry) {
            if (entries-- == 0) return false;
            const FolderEntry& entry = listing.entries[m_forgettingEntry];
            if (entry.IsFolder() || !JoinPath(path, listing.path.c_str(), entry.name.c_str())) continue;
            auto known = m_files.find(path);
            if (known == m_files.end()) continue;
            known->second.scan = m_scan;
            if (!known->second.outdated && known->second.stamp != StampOf(entry)) {
                known->second.outdated = true;
                m_rechecks.reset();
            }
        }
    }
    ForgetFilesNotSeen();
    m_forgetting.reset();
    m_forgettingFolders.clear();
    return true;
}

void CIconCache::Accept(IconAnswer& answer)
{
    const int image = answer.picture ? Acquire(answer.iconKey, answer.picture) : -1;
    if (answer.request.typeOnly)
        AcceptType(answer, image);
    else
        AcceptFile(answer, image);
}

void CIconCache::AcceptType(const IconAnswer& answer, int image)
{
    const std::wstring& extension = answer.request.key;
    auto known = m_typeIcons.find(extension);
    if (known != m_typeIcons.end() && !known->second.asked) {
        Release(image);  // known already
        return;
    }
    if (known != m_typeIcons.end()) Release(known->second.image);
    m_typeIcons[extension] = TypeIcon{ image, false };
    if (m_arrived) m_arrived(extension, image);
}

void CIconCache::AcceptFile(const IconAnswer& answer, int image)
{
    const std::wstring& path = answer.request.key;
    auto known = m_files.find(path);
    if (known == m_files.end()) {
        // The preload's find is kept until a scan shows the file gone; an
        // answer for a file that went meanwhile is not.
        if (answer.preloaded) {
            m_files.emplace(path, FileIcon{ answer.request.stamp, image, m_scan, false, answer.sources });
            m_rechecks.reset();
        } else
            Release(image);
        return;
    }
    // Taken: the answer asked for, or a recheck's new icon for the file as
    // it is; anything else is known already, or about the file as it was.
    const bool wanted = known->second.asked || answer.request.recheck;
    if (!wanted || known->second.stamp != answer.request.stamp) {
        Release(image);
        return;
    }
    Release(known->second.image);
    known->second.image = image;
    known->second.asked = false;
    known->second.sources = answer.sources;
    m_rechecks.reset();
    if (m_arrived) m_arrived(path, image);
}

size_t CIconCache::GetAwaitedCount() const
{
    size_t awaited = 0;
    for (const auto& file : m_files) awaited += file.second.asked ? 1 : 0;
    for (const auto& type : m_typeIcons) awaited += type.second.asked ? 1 : 0;
    return awaited;
}

int CIconCache::Hold(int image)
{
    if (image >= 0) ++m_references[static_cast<size_t>(image)];
    return image;
}

int CIconCache::Acquire(const std::wstring& key, const IconPicture& picture)
{
    auto known = m_imageOfIcon.find(key);
    if (known != m_imageOfIcon.end()) return Hold(known->second);
    // A picture of another size would be cut into several images or stretched.
    BITMAP size = {};
    if (!::GetObjectW(picture.colour.Get(), sizeof(size), &size) || size.bmWidth != m_iconSize ||
        size.bmHeight != m_iconSize)
        return -1;
    int image = -1;
    if (!m_freeImages.empty()) {
        const int slot = m_freeImages.back();
        if (::ImageList_Replace(m_images.Get(), slot, picture.colour.Get(), picture.mask.Get())) {
            m_freeImages.pop_back();
            image = slot;
        }
    } else {
        image = ::ImageList_Add(m_images.Get(), picture.colour.Get(), picture.mask.Get());
    }
    if (image < 0) return -1;
    if (static_cast<size_t>(image) >= m_references.size()) {
        m_references.resize(static_cast<size_t>(image) + 1, 0);
        m_iconOfImage.resize(static_cast<size_t>(image) + 1);
    }
    m_references[static_cast<size_t>(image)] = 1;
    m_iconOfImage[static_cast<size_t>(image)] = key;
    m_imageOfIcon[key] = image;
    return image;
}

void CIconCache::Release(int image)
{
    if (image < MenuImage::StripCount || --m_references[static_cast<size_t>(image)] > 0) return;
    std::wstring& key = m_iconOfImage[static_cast<size_t>(image)];
    m_imageOfIcon.erase(key);
    key.clear();
    (m_menuShowing ? m_freedWhileShown : m_freeImages).push_back(image);
}

void CIconCache::SetMenuShowing(bool showing)
{
    m_menuShowing = showing;
    if (showing) return;
    m_freeImages.insert(m_freeImages.end(), m_freedWhileShown.begin(), m_freedWhileShown.end());
    m_freedWhileShown.clear();
}

CIconCache& TheIconCache()
{
    static CIconCache* cache = [] {
        auto* made = new CIconCache(::GetSystemMetrics(SM_CXSMICON));
        // The shell worker's answers come here, on the UI thread.
        TheShellWorker().SetIconListener([made](IconAnswer& answer) { made->Accept(answer); });
        return made;
    }();
    return *cache;
}
