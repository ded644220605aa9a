#pragma once

#include <QByteArray>
#include <QString>

#include <atomic>

#include <fcntl.h>
#include <functional>
#include <sys/stat.h>

// File primitives for a card, whose contents nobody vouches for: a card may hold symbolic links,
// FIFOs, device nodes or a second card's files under the names the player writes. Files on it
// are opened without following any link and without blocking, and are used only when they are
// regular files on the card's own file system. Files are written under a temporary name that is
// created new (never opened through whatever lies there), flushed, and only then renamed into
// place; a copy of a recording never replaces a file of the same name.
//
// Names and paths are the player's texts of file names (FileNameBytes), folders separated by '/'.

// An open file descriptor, closed when the object goes.
class CFileDescriptor
{
public:
    CFileDescriptor() = default;
    explicit CFileDescriptor(int fd)
        : m_fd(fd)
    {}
    ~CFileDescriptor();
    CFileDescriptor(CFileDescriptor &&other) noexcept;
    CFileDescriptor &operator=(CFileDescriptor &&other) noexcept;
    CFileDescriptor(const CFileDescriptor &) = delete;
    CFileDescriptor &operator=(const CFileDescriptor &) = delete;

    int Get() const { return m_fd; }
    bool IsValid() const { return m_fd >= 0; }
    // Gives the descriptor away.
    int Release();
    // Closes now; false when the close reported an error (the last chance of a write error).
    bool Close();

private:
    int m_fd = -1;
};

// Opens the folder `relative` below the folder `root` ('/'-separated names without "." or "..";
// empty for `root` itself). No symbolic link is followed below `root`, and every folder must be
// on root's file system. With `create`, missing folders are made. Invalid on failure.
CFileDescriptor OpenFolderBelow(const QString &root, const QString &relative, bool create = false);

// Opens the file `relative` below `root` with `access` (O_RDONLY or O_RDWR), following no
// symbolic link below `root` and never blocking: only a regular file on root's file system
// opens (a FIFO, device, folder or link does not). `status` receives the file's status.
CFileDescriptor OpenFileBelow(const QString &root, const QString &relative, int access,
                              struct stat *status = nullptr);

// The same for the file at `path`, its own folder taken as the root.
CFileDescriptor OpenRegularFile(const QString &path, int access = O_RDONLY,
                                struct stat *status = nullptr);

// Whether `path` itself is a regular file (a link to one is not).
bool IsPlainFile(const QString &path);

// Copies everything from `in` to `out`: the kernel's in-place copy, sendfile where the two file
// systems do not allow it, plain reads and writes otherwise. `progress` hears the bytes copied so
// far after each chunk. False on an error, and when `stop` is set before a chunk.
bool CopyFileData(int in, int out, const std::function<void(qint64 copied)> &progress = {},
                  const std::atomic<bool> *stop = nullptr);

// What lies under a name that a file is about to be put under.
enum class NameUse {
    Free,      // nothing
    SameBytes, // a regular file holding exactly the bytes of the file compared with
    Taken,     // anything else (another file, a folder, a link, an unreadable file)
};
NameUse CheckName(int folder, const QString &name, int file);

// The name with " (n)" before its extension: ("rec_1.avi", 2) gives "rec_1 (2).avi"; a number
// below 2 gives the name itself.
QString NumberedFileName(const QString &name, int number);

// Creates the temporary file for `name` in `folder`, ".name.part", new: one left over from
// before is removed first (a link is removed, never followed). `partialName` receives its name.
CFileDescriptor CreatePartialFile(int folder, const QString &name, QString *partialName);

// The ways a rename without replacing can be done, in the order they are tried.
enum class NoReplaceWay {
    Rename,      // renameat2 with RENAME_NOREPLACE
    Link,        // a hard link under the new name, then the old name removed
    Placeholder, // the new name created empty and exclusive, then renamed over
};

// Renames `from` to `to` inside `folder`, never replacing anything: false with errno EEXIST
// when `to` exists. Where the file system refuses a way (FUSE file systems without the flag,
// FAT without hard links), the next one is taken. `first` is for tests.
bool RenameNoReplace(int folder, const QString &from, const QString &to,
                     NoReplaceWay first = NoReplaceWay::Rename);

// Puts the finished temporary file `partial` in `folder` under the first of `name` numbered
// `firstNumber`, `firstNumber` + 1 ... (NumberedFileName) that is free, or that already holds
// the same bytes (the temporary file is then removed). Gives the name used; empty on failure
// (the temporary file stays).
QString PlaceWithoutReplacing(int folder, const QString &partial, const QString &name,
                              int firstNumber = 1);

// The same by paths: `partialPath` goes to `destination` or its first free numbered name, in
// the destination's folder. Gives the path used, or empty.
QString PlaceFileWithoutReplacing(const QString &partialPath, const QString &destination);

// The first of `name`, NumberedFileName(name, 2) ... in `folder` that is free or holds exactly
// `contents`; `name` itself when the folder cannot be read.
QString FirstFreeName(const QString &folder, const QString &name, const QByteArray &contents);

// Opens (creating it with every missing parent, links followed) a folder the player writes to
// on this computer. Invalid on failure.
CFileDescriptor OpenOutputFolder(const QString &folder);

// Copies the open regular file `in` into `folder` under `name`, replacing what is there: the data
// goes to a new temporary file, is flushed, and is renamed over the name (a link there is
// replaced, never written through); the folder is flushed too.
bool CopyIntoFolderReplacing(int in, int folder, const QString &name);
