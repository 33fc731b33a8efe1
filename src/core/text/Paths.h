#pragma once

#include <QString>

// Path spelling rules shared by the layout, the project memos and the shortcuts.
namespace Paths {

// A leading "~" expanded to the home folder, "." and empty components removed, ".." resolved in
// absolute paths, no trailing separator (the root stays "/").
QString standardized(const QString& path);

// The standardized path without any trailing "/" (the root stays "/").
QString normalized(const QString& path);

// The last component ("b" of "/a/b/", "/" of "/").
QString lastComponent(const QString& path);

} // namespace Paths
