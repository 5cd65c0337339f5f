// The slow volume the test runner mounted (scripts/wine-run): a view of a
// backing folder in which every file operation first waits for the delay
// ("never": until the delay changes), with a log of the files opened on it
// and a folder link onto it that a test may move where it wants one.
#pragma once

#include <string>
#include <vector>

namespace test {

class SlowVolume {
public:
    SlowVolume();
    // Answers at once again, so that nothing stays waiting on it.
    ~SlowVolume();
    SlowVolume(const SlowVolume&) = delete;
    SlowVolume& operator=(const SlowVolume&) = delete;

    // Why there is none, or "".
    static std::wstring Missing();
    void SetDelay(double seconds) const;
    void NeverAnswer() const;
    // The files opened on the volume since the last call, one per line.
    std::string TakeOpens() const;
    // How many file operations are waiting for the delay now.
    int Waiting() const;
    // Makes a folder link onto the volume at the path (on the Z: drive);
    // it goes when the volume object does.
    bool PlaceLink(const std::wstring& at);
    // Makes a link at the path to the target (both on the Z: drive), as a
    // Unix symbolic link; it goes when the volume object does.
    bool MakeLink(const std::wstring& target, const std::wstring& at);

    const std::wstring mount, backing;

private:
    void WriteDelay(const std::string& text) const;
    bool Ask(const std::string& verb, const std::wstring& at, const std::wstring& target = {}) const;
    std::vector<std::wstring> m_placed;
};

}  // namespace test
