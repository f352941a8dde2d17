// The batch tool's command line: the input, split at zero bytes, is the argument list.
// Whatever it holds, parsing gives an error or values inside their ranges.
#include <QCoreApplication>

#include "CliOptions.h"
#include "FuzzSupport.h"

namespace {

constexpr int kMaxArguments = 24;

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
    glint::fuzz::startQt();
    return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    using namespace glint;
    using Action = ParsedCommandLine::Action;
    fuzz::FuzzInput in(data, size);
    const int defaultJobs = static_cast<int>(in.inRange(0, 8));
    QStringList arguments{QStringLiteral("glintwork-cli")};
    for (const QByteArray& piece : in.rest().split('\0')) {
        if (arguments.size() > kMaxArguments) break;
        arguments << QString::fromUtf8(piece);
    }
    const ParsedCommandLine parsed = parseCommandLine(arguments, defaultJobs);
    switch (parsed.action) {
        case Action::Error:
            fuzz::require(!parsed.error.isEmpty() && !parsed.text.isEmpty(), "an error is told");
            break;
        case Action::Help:
        case Action::Version:
            fuzz::require(!parsed.text.isEmpty(), "help and version have a text");
            break;
        case Action::Run: {
            const CliOptions& o = parsed.options;
            fuzz::require(o.scale >= kMinScale && o.scale <= kMaxScale, "scale in range");
            fuzz::require(o.red >= 0 && o.red <= kMaxComponent, "red in range");
            fuzz::require(o.blue >= 0 && o.blue <= kMaxComponent, "blue in range");
            fuzz::require(o.jobs >= 1 && o.jobs <= kMaxJobs, "jobs in range");
            fuzz::require(!o.inputs.isEmpty(), "something to convert");
            break;
        }
    }
    ColorValue colour = 0;
    for (const QString& argument : arguments) (void)parseColor(argument, colour);
    return 0;
}
