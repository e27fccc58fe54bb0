#ifndef KY_OS_PATHS_H
#define KY_OS_PATHS_H

#include <string>

// Where the user's documents and the running program live on this system.
namespace KyOsPaths {

// The user's documents folder, without a trailing '/': $XDG_DOCUMENTS_DIR
// when it is set, else the XDG_DOCUMENTS_DIR entry of user-dirs.dirs (in
// $XDG_CONFIG_HOME, or ~/.config), else $HOME/Documents. Only absolute
// folders are accepted. Empty when none of them can be determined; the
// folder itself may not exist yet.
std::string documentsFolder();

// The running program's file, read from /proc/self/exe; empty on failure.
std::string executablePath();

// The folder holding the running program, without a trailing '/' ("/" for a
// program at the root); empty on failure.
std::string executableFolder();

// Reads the documents entry of a user-dirs.dirs file: the value of the last
// XDG_DOCUMENTS_DIR="..." line, with a leading $HOME (or ${HOME}) replaced by
// home. Empty when the file holds no usable absolute entry.
std::string documentsFromUserDirs(const std::string& file, const std::string& home);

} // namespace KyOsPaths

#endif
