#include "support/IconFile.h"

#include <wrl/client.h>

namespace test {
namespace {

void Put16(std::string& out, unsigned value)
{
    out += static_cast<char>(value & 0xFF);
    out += static_cast<char>((value >> 8) & 0xFF);
}

void Put32(std::string& out, unsigned value)
{
    Put16(out, value & 0xFFFF);
    Put16(out, value >> 16);
}

}  // namespace

std::string IconFileBytes(COLORREF colour)
{
    const unsigned size = 16, pixels = size * size;
    const unsigned maskBytes = size * 4;  // 1-bit rows padded to 32 bits
    const unsigned imageBytes = 40 + pixels * 4 + maskBytes;
    std::string ico;
    Put16(ico, 0), Put16(ico, 1), Put16(ico, 1);  // an icon file with one image
    ico += static_cast<char>(size), ico += static_cast<char>(size), ico += '\0', ico += '\0';
    Put16(ico, 1), Put16(ico, 32), Put32(ico, imageBytes), Put32(ico, 6 + 16);
    Put32(ico, 40), Put32(ico, size), Put32(ico, size * 2);  // BITMAPINFOHEADER, colour and mask
    Put16(ico, 1), Put16(ico, 32), Put32(ico, 0), Put32(ico, pixels * 4);
    Put32(ico, 0), Put32(ico, 0), Put32(ico, 0), Put32(ico, 0);
    const unsigned bgra = 0xFF000000u | (GetRValue(colour) << 16) | (GetGValue(colour) << 8) | GetBValue(colour);
    for (unsigned i = 0; i < pixels; ++i) Put32(ico, bgra);
    ico.append(maskBytes, '\0');  // opaque everywhere
    return ico;
}

bool MakeShortcutWithIcon(const std::wstring& target, const std::wstring& icon, const std::wstring& at)
{
    Microsoft::WRL::ComPtr<IShellLinkW> link;
    Microsoft::WRL::ComPtr<IPersistFile> file;
    if (FAILED(::CoCreateInstance(CLSID_ShellLink, nullptr, CLSCTX_INPROC_SERVER, IID_PPV_ARGS(link.GetAddressOf()))))
        return false;
    link->SetPath(target.c_str());
    link->SetIconLocation(icon.c_str(), 0);
    return SUCCEEDED(link.As(&file)) && SUCCEEDED(file->Save(at.c_str(), TRUE));
}

namespace {

std::string ReadAll(const std::wstring& path)
{
    std::string bytes;
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_READ, FILE_SHARE_READ, nullptr, OPEN_EXISTING, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return bytes;
    bytes.resize(::GetFileSize(file, nullptr));
    DWORD read = 0;
    if (!bytes.empty()) ::ReadFile(file, &bytes[0], static_cast<DWORD>(bytes.size()), &read, nullptr);
    ::CloseHandle(file);
    bytes.resize(read);
    return bytes;
}

bool WriteAll(const std::wstring& path, const std::string& bytes)
{
    HANDLE file = ::CreateFileW(path.c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0, nullptr);
    if (file == INVALID_HANDLE_VALUE) return false;
    DWORD written = 0;
    bool ok = ::WriteFile(file, bytes.data(), static_cast<DWORD>(bytes.size()), &written, nullptr) &&
              written == bytes.size();
    return ::CloseHandle(file) && ok;
}

// Every occurrence of from, replaced by to of the same length.
int ReplaceAll(std::string& bytes, const std::string& from, const std::string& to)
{
    int replaced = 0;
    for (size_t at = bytes.find(from); at != std::string::npos; at = bytes.find(from, at + to.size()), ++replaced)
        bytes.replace(at, from.size(), to);
    return replaced;
}

std::string Utf16Bytes(const std::wstring& text)
{
    return std::string(reinterpret_cast<const char*>(text.data()), text.size() * sizeof(wchar_t));
}

}  // namespace

bool MakeShortcutsWithIcons(const std::wstring& target, const std::vector<ShortcutWithIcon>& shortcuts)
{
    if (shortcuts.empty()) return true;
    const ShortcutWithIcon& first = shortcuts.front();
    if (!MakeShortcutWithIcon(target, first.icon, first.at)) return false;
    const std::string model = ReadAll(first.at);
    for (size_t i = 1; i < shortcuts.size(); ++i) {
        if (shortcuts[i].icon.size() != first.icon.size()) return false;
        std::string bytes = model;
        if (ReplaceAll(bytes, Utf16Bytes(first.icon), Utf16Bytes(shortcuts[i].icon)) == 0) return false;
        if (!WriteAll(shortcuts[i].at, bytes)) return false;
    }
    return true;
}

}  // namespace test
