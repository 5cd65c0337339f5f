// The hotkey file's reader and writer over bytes: the encoding found, the
// lines cut, the groups read; and the groups written back as UTF-16LE.
#include "hotkeys/HotkeyText.h"

namespace {

using Bytes = const unsigned char*;

// The length of the well-formed UTF-8 sequence at the start of the bytes
// (no overlong forms, no surrogates, nothing past U+10FFFF), 0 for none.
std::size_t Utf8SequenceLength(Bytes data, std::size_t size)
{
    const unsigned lead = data[0];
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    unsigned low = 0x80, high = 0xBF;  // the second byte's range
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        if (lead == 0xE0) low = 0xA0;
        if (lead == 0xED) high = 0x9F;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        if (lead == 0xF0) low = 0x90;
        if (lead == 0xF4) high = 0x8F;
    } else {
        return 0;
    }
    if (length > size || data[1] < low || data[1] > high) return 0;
    for (std::size_t follow = 2; follow < length; ++follow)
        if ((data[follow] & 0xC0) != 0x80) return 0;
    return length;
}

// Without a mark, bytes above ASCII are read as UTF-8 when they are UTF-8
// but for a stray few: a damaged UTF-8 file read as the code page's would
// be written back changed throughout.
bool LooksLikeUtf8(Bytes data, std::size_t size)
{
    std::size_t sequences = 0, strays = 0;
    for (std::size_t at = 0; at < size;) {
        const std::size_t length = Utf8SequenceLength(data + at, size - at);
        if (length == 0) {
            ++strays;
            ++at;
            continue;
        }
        if (length > 1) ++sequences;
        at += length;
    }
    return sequences > 0 && strays <= sequences;
}

// UTF-8 as UTF-16; a byte that starts no well-formed sequence becomes
// U+FFFD and marks the text as damaged.
std::u16string DecodeUtf8(Bytes data, std::size_t size, bool& damaged)
{
    std::u16string text;
    text.reserve(size);
    for (std::size_t at = 0; at < size;) {
        const std::size_t length = Utf8SequenceLength(data + at, size - at);
        if (length == 0) {
            damaged = true;
            text += u'\xFFFD';
            ++at;
            continue;
        }
        char32_t c = length == 1 ? data[at] : data[at] & (0xFF >> (length + 1));
        for (std::size_t follow = 1; follow < length; ++follow) c = (c << 6) | (data[at + follow] & 0x3F);
        if (c >= 0x10000) {
            c -= 0x10000;
            text += static_cast<char16_t>(0xD800 + (c >> 10));
            text += static_cast<char16_t>(0xDC00 + (c & 0x3FF));
        } else {
            text += static_cast<char16_t>(c);
        }
        at += length;
    }
    return text;
}

struct Line {
    std::u16string text;
    bool ended = true;  // by a line end, not by the end of the data
};

// Cuts units into lines at CR LF, a lone CR or a lone LF. A unit is a byte
// of the text in a byte encoding (which never uses 0x0D or 0x0A inside a
// letter), or a UTF-16 unit.
template <typename Unit, typename Decode>
std::vector<Line> CutLines(const Unit* units, std::size_t count, Decode decode)
{
    std::vector<Line> lines;
    std::size_t start = 0;
    for (std::size_t at = 0; at < count; ++at) {
        if (units[at] != Unit('\r') && units[at] != Unit('\n')) continue;
        lines.push_back({ decode(units + start, at - start), true });
        if (units[at] == Unit('\r') && at + 1 < count && units[at + 1] == Unit('\n')) ++at;
        start = at + 1;
    }
    if (start < count) lines.push_back({ decode(units + start, count - start), false });
    return lines;
}

std::vector<Line> DecodeLines(const std::string& bytes, const CodePageDecoder& decodeCodePage,
                              HotkeyTextReading& reading)
{
    const Bytes data = reinterpret_cast<Bytes>(bytes.data());
    std::size_t size = bytes.size();
    if (size > 2 && data[0] == 0xFF && data[1] == 0xFE) {
        reading.encoding = HotkeyTextEncoding::Utf16;
        // A final odd byte is no whole unit: it is dropped.
        if ((size - 2) % 2 != 0) reading.whole = false;
        std::u16string units((size - 2) / 2, u'\0');
        for (std::size_t i = 0; i < units.size(); ++i)
            units[i] = static_cast<char16_t>(data[2 + 2 * i] | (data[3 + 2 * i] << 8));
        return CutLines(units.data(), units.size(),
                        [](const char16_t* line, std::size_t length) { return std::u16string(line, length); });
    }
    std::size_t start = 0;
    if (size >= 3 && data[0] == 0xEF && data[1] == 0xBB && data[2] == 0xBF) {
        reading.encoding = HotkeyTextEncoding::Utf8;
        start = 3;
    } else if (LooksLikeUtf8(data, size)) {
        reading.encoding = HotkeyTextEncoding::Utf8;
    } else {
        reading.encoding = HotkeyTextEncoding::CodePage;
        for (std::size_t i = 0; i < size && !reading.guessedLetters; ++i) reading.guessedLetters = data[i] >= 0x80;
    }
    bool damaged = false;
    std::vector<Line> lines;
    if (reading.encoding == HotkeyTextEncoding::Utf8)
        lines = CutLines(data + start, size - start,
                         [&damaged](Bytes line, std::size_t length) { return DecodeUtf8(line, length, damaged); });
    else
        lines = CutLines(data, size, [&decodeCodePage](Bytes line, std::size_t length) {
            return length ? decodeCodePage(reinterpret_cast<const char*>(line), length) : std::u16string();
        });
    if (damaged) reading.whole = false;
    return lines;
}

bool IsSpace(char16_t c) { return c == u' ' || c == u'\t' || c == u'\v' || c == u'\f'; }

// The code line's number, as atol would read it (white space, a sign,
// digits, whatever follows ignored), when it is a code: above 0 and within
// a code's layout. clean: nothing but white space around the digits, so
// that writing the number gives the line back.
bool ParseCode(const std::u16string& text, std::uint32_t& code, bool& clean)
{
    std::size_t at = 0;
    while (at < text.size() && IsSpace(text[at])) ++at;
    const bool negative = at < text.size() && text[at] == u'-';
    if (at < text.size() && (text[at] == u'-' || text[at] == u'+')) ++at;
    const std::size_t digits = at;
    unsigned long long number = 0;
    while (at < text.size() && text[at] >= u'0' && text[at] <= u'9') {
        number = number * 10 + static_cast<unsigned>(text[at] - u'0');
        if (number > kLargestHotkeyCode) return false;  // no code is that large
        ++at;
    }
    const bool anyDigits = at != digits;
    while (at < text.size() && IsSpace(text[at])) ++at;
    clean = at == text.size() && !negative;
    code = static_cast<std::uint32_t>(number);
    return anyDigits && !negative && number != 0;
}

bool IsBlank(const std::u16string& text)
{
    for (char16_t c : text)
        if (c != u' ' && c != u'\t') return false;
    return true;
}

}  // namespace

HotkeyTextReading ReadHotkeyText(const std::string& bytes, const CodePageDecoder& decodeCodePage)
{
    HotkeyTextReading reading;
    const std::vector<Line> lines = DecodeLines(bytes, decodeCodePage, reading);
    static const Line kNone{ std::u16string(), false };
    auto lineAt = [&lines](std::size_t index) -> const Line& { return index < lines.size() ? lines[index] : kNone; };
    for (std::size_t first = 0;; first += 3) {
        const Line &code = lineAt(first), &command = lineAt(first + 1), &separator = lineAt(first + 2);
        if (code.text.empty() || command.text.empty() || !separator.text.empty()) {
            // The reading ends here: whole only where nothing but blank
            // lines end it.
            for (std::size_t rest = first; rest < lines.size() && reading.whole; ++rest)
                reading.whole = IsBlank(lines[rest].text);
            break;
        }
        // The data ends in the command: the last line of a file saved
        // without its end, or a group cut short. It is read, and writing
        // the file anew keeps it first.
        if (!command.ended) reading.whole = false, reading.cutShort = true;
        // A command with a NUL in it is damaged: read as far as the NUL, it
        // would be another path. Its group is dropped.
        if (command.text.find(u'\0') != std::u16string::npos) {
            reading.whole = false;
            continue;
        }
        std::uint32_t number = 0;
        bool clean = false;
        if (!ParseCode(code.text, number, clean)) {
            reading.whole = false;
            continue;
        }
        if (!clean) reading.whole = false;
        reading.hotkeys.push_back({ number, command.text });
    }
    return reading;
}

bool IsWritableHotkey(const HotkeyEntry& hotkey)
{
    return hotkey.code != 0 && hotkey.code <= kLargestHotkeyCode && !hotkey.command.empty() &&
           hotkey.command.find_first_of(std::u16string(u"\r\n\0", 3)) == std::u16string::npos;
}

std::string WriteHotkeyText(const std::vector<HotkeyEntry>& hotkeys)
{
    std::u16string text;
    for (const HotkeyEntry& hotkey : hotkeys) {
        if (!IsWritableHotkey(hotkey)) continue;
        for (char digit : std::to_string(hotkey.code)) text += static_cast<char16_t>(digit);
        text += u"\r\n" + hotkey.command + u"\r\n\r\n";
    }
    // No groups, no file: a mark alone would read as text of the code page.
    if (text.empty()) return std::string();
    std::string bytes("\xFF\xFE", 2);
    bytes.reserve(2 + text.size() * 2);
    for (char16_t unit : text) {
        bytes += static_cast<char>(unit & 0xFF);
        bytes += static_cast<char>(unit >> 8);
    }
    return bytes;
}
