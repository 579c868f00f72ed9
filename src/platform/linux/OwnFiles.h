// The rules for files that hold the user's data: only the user's own regular files are opened or
// replaced, a symbolic link is followed only when it is the user's own, and replacements go
// through temporary files beside the real target that a later start can recognise and remove.
#pragma once

#include <sys/types.h>

#include <string>

namespace tavrel::linux_platform {

struct OwnPath {
  std::string real;     // the path with the user's own symbolic links followed
  bool exists = false;  // something is at real
  mode_t mode = 0;      // its permission bits, when it exists
  // Why the path must not be used, in a few words ("owned by another user"); empty when it may.
  std::string problem;
};

// Looks at what a path names before it is used: follows the symbolic links that belong to the
// user (at most 40 in a row; a link of another user is not followed). Usable are: nothing there
// yet, or a regular file of the user's own. Anything else (another user's file or link, a
// folder, a device, a pipe) is not.
OwnPath LookAt(const std::string& path);

// Creates a private (0600) temporary file beside target: ".<name>.<pid>.<random>.tmp" in
// target's folder, made exclusively. Its descriptor (close-on-exec) and path, or -1 with errno.
int CreateSibling(const std::string& target, std::string& tempPath);

// Removes the temporary files that CreateSibling made for target, in the folder of the path and
// in that of its real target, whose maker has ended (killed in the middle of a write): the
// user's own regular files only.
void RemoveLeftovers(const std::string& target);

// "<folder>" of "<folder>/<name>", "/" for a file in the root, "." for a bare name.
std::string FolderOf(const std::string& path);
std::string NameOf(const std::string& path);

}  // namespace tavrel::linux_platform
