// A small file that the program keeps and the user may also edit by hand
// (the hotkey file, Find's usage file), read and saved so that no state of
// the disk loses what is in it:
// - what lies at the file's place is looked at first: only a regular file,
//   or a link to one (its target is then the file), is read or replaced; a
//   folder, a device or a file out of reach is left alone;
// - a file another program holds for a moment (a scanner, a backup tool) is
//   waited for, within a bound: reading tries again until its patience is
//   spent, a save waits at most lockWaitMs in all;
// - a save never writes over bytes it did not read: what changed on the
//   disk since the reading, or what the caller says it could not take back
//   unchanged, is first kept in a numbered backup beside the file
//   ("name.bak", "name.2.bak", ...), moved there without replacing any
//   (the next free number on a clash; the same bytes kept before are not
//   kept twice);
// - new bytes go to a temporary file of a unique name beside the file,
//   reach the disk, then replace the file in one step: a kill at any point
//   leaves the old file or the new one, whole. Temporary files of saves
//   that were killed are removed by a later save;
// - after a save the reading is the bytes written: a save that cannot read
//   the new file back at once (a scanner has it) still knows what it holds.
//
// Everything here touches the disk: call it off the UI thread. The objects
// are plain values; SaveCancel alone is shared between threads.
#pragma once

#include <atomic>
#include <functional>
#include <string>

#include "framework/Afx.h"

// What lies where the file belongs.
struct FileSpot {
    enum Kind { Missing, File, InTheWay, Unreadable };
    Kind kind = Missing;
    std::wstring target;    // the regular file itself (where a link to it leads)
    std::wstring inTheWay;  // what lies there instead, or why it cannot be read
    bool readOnly = false;  // a file the user made read-only: read, never replaced
};
FileSpot InspectFileSpot(const std::wstring& path);

// One reading of a file.
struct FileReading {
    std::wstring path;
    FileSpot spot;
    bool read = false;  // the file was read, or there is none: a save may replace it
    std::string bytes;  // as read
};
// Reads the file, trying again for up to retryMs while another program
// holds it.
FileReading ReadFileSafely(const std::wstring& path, DWORD retryMs);

// Stops a save before it begins to change the file; any thread may cancel.
class SaveCancel {
public:
    // True when the save had not begun to change the file: it will not.
    bool Cancel();
    bool IsCancelled() const { return m_state == kCancelled; }
    // The save's own: true to go ahead and change the file, false when it
    // was cancelled first.
    bool Commit();

private:
    enum { kWaiting, kCancelled, kCommitted };
    std::atomic<int> m_state{ kWaiting };
};

struct FileSave {
    std::string bytes;
    bool remove = false;      // delete the file rather than write the bytes
    bool keepAsRead = false;  // back the file up even when it is as it was read
};

struct FileSaveResult {
    enum Outcome {
        Saved,
        InTheWay,       // not a regular file there, a read-only one, or out of reach (now.spot says which)
        NotReadBefore,  // a file lies there that the reading could not read
        Held,           // another program held the file past the wait
        BackupFailed,
        WriteFailed,
        Cancelled
    };
    Outcome outcome = WriteFailed;
    // The backup that holds the file as it was (made now, or found holding
    // the same bytes); "" when none was needed.
    std::wstring backup;
    bool changedSinceRead = false;  // why the backup was made
    bool readBack = false;          // the new file was read back as written
    // The reading the next save compares with: after a save, the bytes
    // written; otherwise what lay there.
    FileReading now;
};
// Saves over the file that `before` read; lockWaitMs bounds the waits for
// a file another program holds.
FileSaveResult SaveFileSafely(const FileReading& before, const FileSave& save, SaveCancel* cancel = nullptr,
                              DWORD lockWaitMs = 1000);

// The backups of a file: name.bak, then name.2.bak, name.3.bak and on.
std::wstring BackupName(const std::wstring& path, int number);

// Tests: called with the name of each step of a reading ("open": a file is
// there, and is opened next) or a save
// ("read", "backup", "write", "flush", "replace", "read back", ...) before
// the step runs, on the thread that runs it; a hook that throws ends the
// save there as a kill would (handles are closed, nothing else is undone),
// one that waits is a drive slow to answer. Set while no save runs; empty
// for none.
void SetSafeFileStepHook(std::function<void(const char* step)> hook);
