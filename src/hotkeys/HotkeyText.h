// The hotkey file's text, read from bytes and written to bytes: plain C++
// with no Windows headers (the Windows side hands it the bytes, and a
// decoder for the system's code page), so that the reader and the writer
// are fuzzed on any system.
//
// As written: UTF-16LE after the byte-order mark FF FE, one group of three
// lines per hotkey, each line ended by CR LF: the code in decimal, the
// command, an empty line. As read, besides: UTF-8 (with or without its
// mark), text in the system's code page, LF or CR line ends; the last line
// may lack its end. Reading stops at the first group that is not code,
// command, empty line.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

// A code holds a key and a flag byte and nothing above them.
constexpr unsigned long long kLargestHotkeyCode = 0xFFFFFF;

struct HotkeyEntry {
    std::uint32_t code = 0;
    std::u16string command;
    bool operator==(const HotkeyEntry& o) const { return code == o.code && command == o.command; }
};

enum class HotkeyTextEncoding { CodePage, Utf8, Utf16 };

struct HotkeyTextReading {
    std::vector<HotkeyEntry> hotkeys;
    HotkeyTextEncoding encoding = HotkeyTextEncoding::CodePage;
    // Every byte was understood and is given back by writing the hotkeys
    // anew (in the writer's encoding and line ends): nothing of the file is
    // lost by replacing it. A group cut short, a line the reading stopped
    // at, a NUL, bytes that are no text in their encoding, a code written
    // so that it reads as another: not whole.
    bool whole = true;
    // The data ends in the last group's command: a file saved without its
    // last line end, or one cut short (then the command is, too).
    bool cutShort = false;
    // Text of the system's code page with bytes beyond ASCII: which letters
    // they are is a guess, and writing them as Unicode fixes that guess.
    bool guessedLetters = false;
};

// Text of the system's code page, as UTF-16.
using CodePageDecoder = std::function<std::u16string(const char* bytes, std::size_t size)>;

HotkeyTextReading ReadHotkeyText(const std::string& bytes, const CodePageDecoder& decodeCodePage);

// Whether the reader gives the hotkey back as it is: a code above 0 within
// a code's layout, a command neither empty nor holding a line end or a NUL.
bool IsWritableHotkey(const HotkeyEntry& hotkey);
// The file's bytes for the hotkeys that can be written, in order; none for
// none (such a file is deleted rather than written).
std::string WriteHotkeyText(const std::vector<HotkeyEntry>& hotkeys);
