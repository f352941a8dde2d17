#pragma once
// Where the programs find their helper executables: installed in <prefix>/libexec/glintwork
// next to <prefix>/bin, and in a build tree in <build>/bin.
#include <QString>
#include <QStringList>

namespace glint {

// Folder below <prefix>/libexec that holds the installed helpers.
inline constexpr const char* kHelperSubdir = "glintwork";

// The places looked at for helper `name`, in order, for a program in `programDir` (empty when
// unknown): the program's own folder, <programDir>/../../bin (programs inside the build tree),
// <programDir>/../libexec/glintwork (an installation under any prefix) and the libexec folder
// of the configured installation prefix.
QStringList helperCandidates(const QString& programDir, const QString& name);

// The first candidate that is an executable file, cleaned; empty if there is none.
QString findHelper(const QString& programDir, const QString& name);

}  // namespace glint
