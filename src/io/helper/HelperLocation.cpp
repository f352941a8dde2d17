#include "HelperLocation.h"

#include <QDir>
#include <QFileInfo>

namespace glint {

QStringList helperCandidates(const QString& programDir, const QString& name) {
    const QString installed = QString::fromLatin1(kHelperSubdir) + QLatin1Char('/') + name;
    QStringList candidates;
    if (!programDir.isEmpty()) {
        const QDir dir(programDir);
        candidates << dir.filePath(name) << dir.filePath(QStringLiteral("../../bin/") + name)
                   << dir.filePath(QStringLiteral("../libexec/") + installed);
    }
    candidates << QDir(QStringLiteral(GLINT_INSTALL_LIBEXECDIR)).filePath(installed);
    return candidates;
}

QString findHelper(const QString& programDir, const QString& name) {
    for (const QString& candidate : helperCandidates(programDir, name)) {
        const QFileInfo info(candidate);
        if (info.isFile() && info.isExecutable()) return QDir::cleanPath(candidate);
    }
    return {};
}

}  // namespace glint
