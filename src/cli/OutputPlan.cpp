#include "OutputPlan.h"

#include <sys/stat.h>

#include <QHashFunctions>
#include <optional>

#include "NameText.h"
#include "io/output/OutputFile.h"
#include "io/output/StandardStreams.h"

namespace glint {

namespace {

constexpr std::size_t kLowSeed = 0x5eed1;
constexpr std::size_t kHighSeed = 0x5eed2;

// Where `path` lies (its folder's device and inode, then its name in the folder), as a digest;
// nothing when the folder cannot be looked at (the file cannot be opened or made there either).
std::optional<OutputPlanner::Place> place(const QByteArray& path) {
    const auto [folder, name] = folderAndName(path);
    if (name.isEmpty()) return std::nullopt;
    struct stat info {};
    if (::stat(folder.constData(), &info) != 0) return std::nullopt;
    QByteArray key(reinterpret_cast<const char*>(&info.st_dev), sizeof info.st_dev);
    key.append(reinterpret_cast<const char*>(&info.st_ino), sizeof info.st_ino);
    key.append(name);
    return OutputPlanner::Place{qHash(key, kLowSeed), qHash(key, kHighSeed)};
}

}  // namespace

QByteArray defaultOutputName(const QByteArray& input, const QByteArray& folder,
                             const QByteArray& extension) {
    const QByteArray name = input.mid(input.lastIndexOf('/') + 1);
    const qsizetype dot = name.lastIndexOf('.');
    // A leading dot is part of the name: ".png" -> ".png-scanlines.bmp".
    const QByteArray base = dot > 0 ? name.left(dot) : name;
    QByteArray file = base + "-scanlines." + extension;
    if (folder.isEmpty()) return file;
    return folder.endsWith('/') ? folder + file : folder + '/' + file;
}

OutputPlanner::OutputPlanner(const CliOptions& options)
    : output_(options.output), extension_(formatName(options.format.value_or(OutputFormat::Bmp))) {
    struct stat info {};
    intoFolder_ = !output_.isEmpty() && !isStandardStream(output_) &&
                  ::stat(output_.constData(), &info) == 0 && S_ISDIR(info.st_mode);
}

PlannedOutput OutputPlanner::plan(const QByteArray& input) {
    PlannedOutput planned;
    if (output_.isEmpty()) {
        // Keep the input's own spelling of its folder ("pics/a.png", "a.png").
        planned.output =
            defaultOutputName(input, input.left(input.lastIndexOf('/') + 1), extension_);
    } else if (intoFolder_) {
        planned.output = defaultOutputName(input, output_, extension_);
    } else {
        planned.output = output_;
    }
    const auto in = isStandardStream(input) ? std::nullopt : place(input);
    const auto out = isStandardStream(planned.output) ? std::nullopt : place(planned.output);
    const QString shown = nameText(planned.output);
    if (out && outputs_.count(*out) > 0) {
        planned.error = QStringLiteral("'%1' is already the output of an earlier input").arg(shown);
    } else if (out && inputs_.count(*out) > 0) {
        planned.error = QStringLiteral("'%1' is also an input").arg(shown);
    } else if (in && outputs_.count(*in) > 0) {
        planned.error = QStringLiteral("it is the output of an earlier input");
    } else if (out) {
        outputs_.insert(*out);
    }
    if (in) inputs_.insert(*in);
    return planned;
}

}  // namespace glint
