// libFuzzer's target for the hotkey file's reader and writer, built for
// Linux by scripts/fuzz. For any bytes the reader ends (a hang is reported
// by libFuzzer's timeout) without a crash or undefined behaviour; what it
// reads can be written, and reading what was written gives the same
// groups, as a whole file. The same bytes, taken as hotkeys of any codes
// and commands, are written and read back as the writer keeps them.
#include "hotkeys/HotkeyText.h"

#include <cstdio>
#include <cstdlib>

namespace {

void Check(bool condition, const char* what)
{
    if (condition) return;
    std::fprintf(stderr, "hotkey text fuzz: %s\n", what);
    std::abort();
}

// The code page of the fuzzed system: each byte its own letter.
std::u16string Latin1(const char* bytes, std::size_t size)
{
    std::u16string text(size, u'\0');
    for (std::size_t i = 0; i < size; ++i) text[i] = static_cast<unsigned char>(bytes[i]);
    return text;
}

void ReadWriteRead(const std::string& bytes)
{
    const HotkeyTextReading reading = ReadHotkeyText(bytes, Latin1);
    for (const HotkeyEntry& hotkey : reading.hotkeys) Check(IsWritableHotkey(hotkey), "a group read cannot be written");
    const std::string written = WriteHotkeyText(reading.hotkeys);
    const HotkeyTextReading again = ReadHotkeyText(written, Latin1);
    Check(again.hotkeys == reading.hotkeys, "reading what was written gave other groups");
    Check(again.whole && !again.cutShort && !again.guessedLetters, "what was written does not read as whole");
    Check(written.empty() || again.encoding == HotkeyTextEncoding::Utf16, "what was written does not read as UTF-16");
    Check(WriteHotkeyText(again.hotkeys) == written, "writing again gave other bytes");
}

// Hotkeys of any code and command: four bytes of code, then a command of
// UTF-16 units up to the next 0xFFFF.
void WriteRead(const std::string& bytes)
{
    std::vector<HotkeyEntry> hotkeys;
    std::size_t at = 0;
    while (at + 4 <= bytes.size()) {
        HotkeyEntry hotkey;
        for (int i = 0; i < 4; ++i) hotkey.code = (hotkey.code << 8) | static_cast<unsigned char>(bytes[at++]);
        hotkey.code &= bytes[at - 1] & 1 ? 0xFFFFFFFFu : 0x00FFFFFFu;  // mostly codes of the layout
        while (at + 2 <= bytes.size()) {
            const char16_t unit = static_cast<char16_t>(static_cast<unsigned char>(bytes[at]) |
                                                        (static_cast<unsigned char>(bytes[at + 1]) << 8));
            at += 2;
            if (unit == 0xFFFF) break;
            hotkey.command += unit;
        }
        hotkeys.push_back(hotkey);
    }
    std::vector<HotkeyEntry> kept;
    for (const HotkeyEntry& hotkey : hotkeys)
        if (IsWritableHotkey(hotkey)) kept.push_back(hotkey);
    const HotkeyTextReading reading = ReadHotkeyText(WriteHotkeyText(hotkeys), Latin1);
    Check(reading.hotkeys == kept, "hotkeys written came back other than kept");
    Check(reading.whole, "hotkeys written do not read as whole");
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string bytes(reinterpret_cast<const char*>(data), size);
    ReadWriteRead(bytes);
    WriteRead(bytes);
    return 0;
}
