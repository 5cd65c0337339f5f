// The slow volume's controls, through the files the test runner made.
#include "support/SlowVolume.h"

#include "framework/Afx.h"
#include "framework/Handles.h"

#include <cstdlib>

namespace test {

namespace {

std::wstring Variable(const wchar_t* name)
{
    wchar_t value[MAX_PATH] = {};
    return ::GetEnvironmentVariableW(name, value, MAX_PATH) ? value : L"";
}

// The benchmark uses the volume too: these are its own small file helpers.
void Write(const std::wstring& path, const std::string& bytes)
{
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr));
    DWORD written = 0;
    if (file) ::WriteFile(file.Get(), bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr);
}

// The volume's server reads its files at any moment: each is written whole
// under another name, then renamed over the old one, so that it is never
// seen empty or half-written.
bool WriteWhole(const std::wstring& path, const std::string& bytes)
{
    const std::wstring draft = path + L".new";
    Write(draft, bytes);
    return ::MoveFileExW(draft.c_str(), path.c_str(), MOVEFILE_REPLACE_EXISTING) != FALSE;
}

std::string Read(const std::wstring& path)
{
    UniqueFile file(::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ | FILE_SHARE_WRITE, nullptr,
                                  OPEN_EXISTING, 0, nullptr));
    std::string bytes;
    char buffer[4096];
    DWORD read = 0;
    while (file && ::ReadFile(file.Get(), buffer, sizeof(buffer), &read, nullptr) && read) bytes.append(buffer, read);
    return bytes;
}

bool Present(const std::wstring& path) { return ::GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

}  // namespace

SlowVolume::SlowVolume()
    : mount(Variable(L"QUILLOP_SLOW_VOLUME")), backing(Variable(L"QUILLOP_SLOW_BACKING"))
{
    TakeOpens();
}

SlowVolume::~SlowVolume()
{
    SetDelay(0);
    for (const std::wstring& placed : m_placed) Ask("remove", placed);
}

std::wstring SlowVolume::Missing()
{
    std::wstring error = Variable(L"QUILLOP_SLOW_VOLUME_ERROR");
    if (!error.empty()) return error;
    return Variable(L"QUILLOP_SLOW_VOLUME").empty() ? L"the test runner mounted no slow volume" : L"";
}

void SlowVolume::WriteDelay(const std::string& text) const { WriteWhole(Variable(L"QUILLOP_SLOW_DELAY"), text); }

void SlowVolume::SetDelay(double seconds) const { WriteDelay(std::to_string(seconds) + "\n"); }

void SlowVolume::NeverAnswer() const { WriteDelay("never\n"); }

std::string SlowVolume::TakeOpens() const
{
    const std::wstring log = Variable(L"QUILLOP_SLOW_OPENS");
    std::string opens = Present(log) ? Read(log) : std::string();
    ::DeleteFileW(log.c_str());
    return opens;
}

int SlowVolume::Waiting() const
{
    const std::wstring count = Variable(L"QUILLOP_SLOW_DELAY") + L".waiting";
    return Present(count) ? std::atoi(Read(count).c_str()) : 0;
}

// Wine makes no links itself: the volume's server makes them, asked
// through a file holding the Unix path.
namespace {

// A Z: path as Unix names it; "" for another drive's.
std::string UnixPath(const std::wstring& path)
{
    if (path.size() < 3 || (path[0] != L'Z' && path[0] != L'z') || path[1] != L':') return std::string();
    std::string unix;
    for (wchar_t c : path.substr(2)) unix += c == L'\\' ? '/' : static_cast<char>(c);
    return unix;
}

}  // namespace

bool SlowVolume::Ask(const std::string& verb, const std::wstring& at, const std::wstring& target) const
{
    const std::string unix = UnixPath(at), to = UnixPath(target);
    if (unix.empty() || (!target.empty() && to.empty())) return false;
    static int requests = 0;
    const std::wstring request = Variable(L"QUILLOP_SLOW_LINKS") + L"\\" + std::to_wstring(++requests);
    if (!WriteWhole(request, target.empty() ? verb + " " + unix : verb + " " + to + "\t" + unix)) return false;
    for (int tick = 0; tick < 500 && !Present(request + L".done"); ++tick) ::Sleep(10);
    return Present(request + L".done");
}

bool SlowVolume::PlaceLink(const std::wstring& at)
{
    if (!Ask("make", at)) return false;
    m_placed.push_back(at);
    return Present(at);
}

bool SlowVolume::MakeLink(const std::wstring& target, const std::wstring& at)
{
    if (!Ask("link", at, target)) return false;
    m_placed.push_back(at);
    return Present(at);
}

}  // namespace test
