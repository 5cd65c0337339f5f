#!/usr/bin/env python3
"""Writes src/find/FoldTable.inc: how Find folds each character beyond ASCII
(lower case, accents off, a few letters spelled out, full-width forms to
ASCII) and which characters part words. Run it again after changing the
rules below; the output is committed."""
import os
import unicodedata

# Letters that no decomposition turns into their plain spelling.
SPELLED = {'ß': 'ss', 'ẞ': 'ss', 'æ': 'ae', 'Æ': 'ae', 'œ': 'oe', 'Œ': 'oe', 'ø': 'o', 'Ø': 'o',
           'ı': 'i', 'ł': 'l', 'Ł': 'l', 'đ': 'd', 'Đ': 'd', 'ħ': 'h', 'Ħ': 'h', 'þ': 'th', 'Þ': 'th'}


def strips_accents(code):
    # Latin, Greek and Cyrillic: other scripts' marks carry meaning.
    return code < 0x0590 or 0x1E00 <= code <= 0x1FFF


def fold(ch):
    code = ord(ch)
    if ch in SPELLED:
        return SPELLED[ch]
    if 0xFF01 <= code <= 0xFF5E and unicodedata.category(ch)[0] in 'LN':
        return chr(code - 0xFF01 + 0x21).lower()
    text = ch.lower()
    if strips_accents(code):
        bare = ''.join(c for c in unicodedata.normalize('NFD', text) if unicodedata.category(c) != 'Mn')
        if bare and bare != unicodedata.normalize('NFD', text):
            text = bare
    if len(text) > 2 or any(ord(c) > 0xFFFF for c in text):
        return ch
    return text


def word_class(ch):
    category = unicodedata.category(ch)
    if category[0] == 'Z' or category == 'Cc':
        return 1  # space
    if category[0] in 'PS':
        return 2  # punctuation and symbols
    if category == 'Nd' or (0xFF10 <= ord(ch) <= 0xFF19):
        return 3  # digit
    return 0  # a letter (and whatever else)


def main():
    folds, classes = [], []
    for code in range(0x80, 0x10000):
        if 0xD800 <= code <= 0xDFFF:
            continue
        ch = chr(code)
        folded = fold(ch)
        upper = unicodedata.category(ch) == 'Lu'
        if folded != ch or upper:
            first = ord(folded[0]) if folded else 0
            second = ord(folded[1]) if len(folded) > 1 else 0
            folds.append((code, first, second, 1 if upper else 0))
        kind = word_class(ch)
        if kind:
            if classes and classes[-1][1] == code - 1 and classes[-1][2] == kind:
                classes[-1][1] = code
            else:
                classes.append([code, code, kind])
    out = os.path.join(os.path.dirname(__file__), '..', 'src', 'find', 'FoldTable.inc')
    with open(out, 'w', newline='\n') as f:
        f.write('// Written by scripts/make_fold_table.py: do not edit.\n')
        f.write('// { character, folded, second folded or 0, upper case }, by character.\n')
        f.write('constexpr FoldRow kFoldRows[] = {\n')
        for row in folds:
            f.write('    { 0x%04X, 0x%04X, 0x%04X, %d },\n' % row)
        f.write('};\n')
        f.write('// { first, last, class } of the characters beyond ASCII that are no letters.\n')
        f.write('constexpr ClassRange kClassRanges[] = {\n')
        for first, last, kind in classes:
            f.write('    { 0x%04X, 0x%04X, %s },\n' % (first, last, ['', 'CharClass::Space', 'CharClass::Punctuation', 'CharClass::Digit'][kind]))
        f.write('};\n')


if __name__ == '__main__':
    main()
