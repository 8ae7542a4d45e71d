#pragma once
// Opening the program's files without ever blocking and without harming what is not a file
// of ours. A name chosen in a dialog or stored in a setting may stand for a FIFO (an open
// waits for the other side for ever), a device (/dev/full takes a header and then fails)
// or a directory. Reading takes regular files only; writing takes a regular file (emptied)
// or a new name, and a symbolic link's target is written with the link left in place.
// Everything else is refused with a reason a user can act on.

#include <sys/types.h>

#include <string>

// "not a regular file but a FIFO", "... a device", "is a directory": what stands at a path
// that is not a regular file, from its st_mode.
std::string DescribeNonRegular(mode_t mode);

// The file a path stands for: symbolic links followed to their final target, which need not
// exist yet (relative targets taken from the link's folder). Empty when the links loop.
std::string FollowLinks(const std::string& path);

// Opens a regular file for reading (O_CLOEXEC, blocking reads). -1 with the reason otherwise;
// a FIFO is refused at once, never waited on.
int OpenRegularForReading(const std::string& path, std::string& reason);

// The target of a recording, open for writing at offset 0 of an empty file.
class OutputFile {
public:
    OutputFile() = default;
    ~OutputFile();
    OutputFile(const OutputFile&) = delete;
    OutputFile& operator=(const OutputFile&) = delete;

    // Creates `path`, or empties the regular file there (through a symbolic link: its target).
    // False with the reason (the system's, or what stands there) when it cannot.
    bool Open(const std::string& path, std::string& reason);
    bool IsOpen() const { return fd_ >= 0; }
    int Fd() const { return fd_; }
    // True when Open made the file: only then may a failed start remove it again.
    bool Created() const { return created_; }
    // Closes; false when the system reports that written data was lost.
    bool Close();
    // Closes and removes the file, but only a file this object created and that is still the
    // same file (a device node or a file of the user's is never unlinked).
    void Discard();

private:
    int fd_ = -1;
    bool created_ = false;
    std::string resolved_;       // the file itself, a link's target
    dev_t device_ = 0;
    ino_t inode_ = 0;
};
