#pragma once

#include <QString>

// The program's own read-only files: the starter data, the help book, the glass pictures, the
// slides and the logo. Installed they are in <prefix>/share/tumblerix; in a build folder the same
// tree is linked at <build>/share/tumblerix, so both are found from the executable as
// ../share/tumblerix.
namespace ProgramData {

// The folder holding them, found in this order: one set with setFolder, $TUMBLERIX_SHARE_DIR,
// ../share/tumblerix from the executable, then tumblerix under the XDG data folders
// ($XDG_DATA_HOME, $XDG_DATA_DIRS). Empty when none holds the starter data.
QString folder();
void setFolder(const QString& folder);

// The absolute path of a file or folder under it ("help/index.html"); under ../share/tumblerix
// of the executable when no folder was found, so a message names where it was looked for.
QString path(const QString& relative);

} // namespace ProgramData
