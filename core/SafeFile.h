// Reading and writing the small files of the preset system so that nothing is lost
// half-way, nothing is written through a link the program did not choose, and a file
// that is shared stays shared. No plug-in types here: the settings store, the file
// dialogs and the command-line tool use the same few operations.
//
// Temporary files are named ".lumdel-XXXXXX.tmp" (six random letters or digits), short
// enough beside any legal file name. Ones that a crash left behind are removed when a
// later write into the same folder finds them.
//
// Editor thread, the thread that constructs the effect, or a tool; never the audio
// thread.
#pragma once

#include <sys/stat.h>
#include <sys/types.h>

#include <cstddef>
#include <string>
#include <vector>

namespace lumdel {

// True for the names of our temporary files: ".lumdel-XXXXXX.tmp", and the longer
// ".NAME.tmp-PID-N-TIME" of earlier versions.
bool isTemporaryName(const char* name);

// Removes temporary files of ours from the folder: regular files of this user, not
// written to for ten minutes (a save in progress takes milliseconds).
void removeStaleTemporaries(int folderFd);

// Opens name in the folder for reading: regular files only, and without following a
// symbolic link when noFollow is set. -1 (errno set) otherwise. Never blocks on a FIFO.
int openRegularAt(int folderFd, const char* name, bool noFollow);

// Reads up to size bytes; the count, or -1 on a read error.
long readUpTo(int fd, unsigned char* data, std::size_t size);

// Reads a whole regular file of at most maxSize bytes. Gives 0, or errno: EFBIG when
// the file is longer than maxSize.
int readBoundedAt(int folderFd, const char* name, bool noFollow, std::vector<unsigned char>& data,
                  std::size_t maxSize);

// Writes a complete new file under name in the folder: a temporary file is written,
// synced and renamed over name, so readers see the old file or the new one, never a
// part. The new file is created with mode (less the umask), or, when `like` is given,
// gets exactly the mode, owner and group of `like`. Whatever name is now (a link
// included) is replaced, not written through. Gives 0 or errno; ESTALE when the owner
// of `like` could not be kept. Nothing is left behind on failure.
int replaceAt(int folderFd, const char* name, const unsigned char* data, std::size_t size,
              mode_t mode, const struct stat* like = nullptr);

// Saves a user's file (the path a file dialog gave). A new file, and an existing one
// that a replacement keeps what it was (a regular file with one link, in a folder we
// may write, whose owner and group the new file can keep, without extended
// attributes), is replaced whole as by replaceAt. Any other existing file, a link the
// user chose included, is written in place: same inode, owner, group and links;
// truncated to the new size, synced. A read-only file, a directory, a FIFO or a
// device is left alone. Gives 0 or errno.
int saveUserFile(const std::string& path, const unsigned char* data, std::size_t size);

// The text of an error from these operations, for the user: "Permission denied".
std::string fileErrorText(int error);

}  // namespace lumdel
