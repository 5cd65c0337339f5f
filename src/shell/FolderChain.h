// The folders on the path being scanned, from the menu folder down to the
// one being listed, so that a link (a junction or symbolic link) that leads
// back to one of them is not entered again: with two such links a scan
// would otherwise grow without end. Folders are told apart by volume and
// file index, which name a folder whatever path reached it. These are read
// for links and for every folder below one: a tree without links costs
// nothing more.
#pragma once

#include <memory>
#include <string>

#include "framework/Afx.h"

class FolderChain {
public:
    using Link = std::shared_ptr<const FolderChain>;

    // The chain of the top folder of a scan.
    static Link Start(LPCWSTR folder);
    // The chain one folder further down; attributes are the folder's.
    static Link Extend(const Link& parent, LPCWSTR folder, DWORD attributes);

    const std::wstring& Path() const { return m_path; }
    // Whether this folder is a link, or lies below one.
    bool IsBelowLink() const { return m_belowLink; }
    // Whether two paths name the same folder, however they are spelt.
    static bool SameFolder(LPCWSTR a, LPCWSTR b);
    // Whether the folder is the other one or holds it, however spelt.
    static bool IsOrHolds(LPCWSTR folder, LPCWSTR other);
    // Whether a subfolder of the last folder, with these attributes, leads
    // back to a folder on the chain.
    bool LoopsBack(LPCWSTR subfolder, DWORD attributes) const;

private:
    struct Identity {
        DWORD volume = 0, high = 0, low = 0;
        bool known = false;
        bool operator==(const Identity& o) const
        {
            return known && o.known && volume == o.volume && high == o.high && low == o.low;
        }
    };
    FolderChain(std::wstring path, Link parent, bool belowLink)
        : m_path(std::move(path)), m_parent(std::move(parent)), m_belowLink(belowLink)
    {
    }
    static Identity Read(LPCWSTR folder);
    const Identity& Own() const;

    std::wstring m_path;
    Link m_parent;
    bool m_belowLink;             // this folder, or one above it, is a link
    mutable Identity m_identity;  // read on first need
};
