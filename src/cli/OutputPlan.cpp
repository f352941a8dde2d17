#include "OutputPlan.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>

#include "io/output/StandardStreams.h"

namespace glint {

namespace {
QString key(const QString& path) { return QDir::cleanPath(QFileInfo(path).absoluteFilePath()); }
}  // namespace

QString defaultOutputName(const QString& input, const QString& folder, const QString& extension) {
    const QFileInfo info(input);
    return QDir(folder).filePath(info.completeBaseName() + QStringLiteral("-scanlines.") +
                                 extension);
}

std::vector<PlannedFile> planOutputs(const CliOptions& options) {
    const bool intoFolder = !options.output.isEmpty() && !isStandardStream(options.output) &&
                            QFileInfo(options.output).isDir();
    QHash<QString, QString> inputs;  // key -> input as given
    for (const QString& input : options.inputs) inputs.insert(key(input), input);

    std::vector<PlannedFile> plan;
    const QString extension =
        QString::fromLatin1(formatName(options.format.value_or(OutputFormat::Bmp)));
    QHash<QString, QString> taken;  // output key -> input that writes it
    for (const QString& input : options.inputs) {
        PlannedFile file;
        file.input = input;
        file.format = options.format;
        if (options.output.isEmpty()) {
            // Keep the input's own spelling of its folder ("pics/a.png", "a.png").
            const QString folder = input.left(input.lastIndexOf('/') + 1);
            file.output =
                folder + QFileInfo(input).completeBaseName() + "-scanlines." + extension;
        } else if (intoFolder) {
            file.output = defaultOutputName(input, options.output, extension);
        } else {
            file.output = options.output;
        }
        const QString k = key(file.output);
        if (const auto it = taken.constFind(k); it != taken.constEnd()) {
            file.error = QStringLiteral("'%1' is already the output of '%2'").arg(file.output, *it);
        } else if (const auto in = inputs.constFind(k); in != inputs.constEnd() && *in != input) {
            file.error = QStringLiteral("'%1' is also an input").arg(file.output);
        } else {
            taken.insert(k, input);
        }
        plan.push_back(file);
    }
    return plan;
}

}  // namespace glint
