#pragma once
// Converts an enhanced (emf) or plain (wmf) metafile to a picture in a separate helper process
// (glintwork-metafile), so that a converter that crashes, hangs or takes all memory costs only
// that process: the caller gets a failed Status and carries on.
#include <QImage>
#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>

#include "engine/Status.h"

namespace glint {

class MetafileDecoder {
public:
    struct Limits {
        // Wall time before the helper is killed: `timeout` for any file, `timeoutPerMiB` more
        // for every MiB of the file, at most `maxTimeout`.
        std::chrono::milliseconds timeout{5000};
        std::int64_t addressSpaceBytes = std::int64_t{3} << 30;  // RLIMIT_AS of the helper
        std::chrono::milliseconds timeoutPerMiB{8000};
        std::chrono::milliseconds maxTimeout{60000};

        std::chrono::milliseconds timeoutFor(std::int64_t fileBytes) const;
    };
    // Called again and again while the helper runs (every few hundredths of a second).
    using WaitHook = std::function<void()>;

    // Environment variable that names the helper executable, overriding the search.
    static constexpr const char* kHelperEnv = "GLINTWORK_METAFILE_HELPER";
    static constexpr const char* kHelperName = "glintwork-metafile";

    explicit MetafileDecoder(QString helperPath, Limits limits);
    // The helper found by locateHelper(), with the standard limits.
    MetafileDecoder();

    // Runs the helper on `fileName`; on success `picture` is the drawing as Format_RGB32.
    // `whileWaiting`, if set, is called while the helper works.
    Status decode(const QString& fileName, QImage& picture,
                  const WaitHook& whileWaiting = {}) const;

    // The helper executable: $GLINTWORK_METAFILE_HELPER if set; otherwise the first one
    // findHelper() finds for this program (HelperLocation.h). Empty if none exists.
    static QString locateHelper();

    const QString& helperPath() const { return helperPath_; }

private:
    QString helperPath_;
    Limits limits_;
};

}  // namespace glint
