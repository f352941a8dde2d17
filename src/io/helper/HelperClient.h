#pragma once
// The one client of the decoding helper programs (glintwork-picture, glintwork-photo,
// glintwork-metafile). Decoders we did not write run only there: in a process of its own, in a
// process group of its own that dies with its caller, under limits on address space, processor
// time, file size and core files, and locked down by the helper itself before it reads the
// picture (helpers/common/Sandbox.h). The picture goes to the helper as an open descriptor and
// its pixels come back in shared memory (HelperProtocol.h), so the price of the separation is
// the helper's start, not a copy. A helper that crashes, hangs or runs out of its budget costs
// that one picture: the caller gets a failed Status that says which of these happened.
#include <QImage>
#include <QString>
#include <chrono>
#include <cstdint>
#include <functional>

#include "engine/Status.h"
#include "io/decode/PictureFile.h"
#include "io/decode/PictureFrames.h"

namespace glint {

struct HelperKind {
    const char* program;      // the executable's name
    const char* envVariable;  // an absolute path there is used instead of the search
    const char* description;  // for messages, e.g. "metafile helper"
    // Wall time: `timeout` for any file, `timeoutPerMiB` more for every MiB of it, at most
    // `maxTimeout`. The processor time allowed is the wall time times `threads`.
    std::chrono::milliseconds timeout;
    std::chrono::milliseconds timeoutPerMiB;
    std::chrono::milliseconds maxTimeout;
    int threads;
    std::int64_t addressSpaceBytes;  // an outer bound; the helper's budget is tighter

    std::chrono::milliseconds timeoutFor(std::int64_t fileBytes) const;
};

// Qt's image readers: tiff, webp, ico/cur, svg/svgz, mng, icns, xpm, xbm, pbm/pgm/ppm, wbmp.
extern const HelperKind kPictureHelper;
// HEIF (HEIC, AVIF) and JPEG XL.
extern const HelperKind kPhotoHelper;
// Windows metafiles (emf, wmf).
extern const HelperKind kMetafileHelper;

// Called again and again (a few dozen times a second) while a helper works; returning false
// stops the helper, and the decoding fails as cancelled.
using WaitHook = std::function<bool()>;

class HelperClient {
  public:
    // The helper of `kind` as locate() finds it.
    explicit HelperClient(const HelperKind& kind);
    // `program` instead of the one found (tests use stand-ins).
    HelperClient(const HelperKind& kind, QString program);

    // Decodes `file` in the helper. On success `picture` is Format_ARGB32 when it has
    // transparency, Format_RGB32 otherwise, its pixels held in the shared memory the helper
    // wrote them to; on failure `picture` is left as it was.
    Status decode(const PictureFile& file, QImage& picture,
                  const WaitHook& whileWaiting = {}) const;

    // Decodes every frame of `file` (HelperProtocol.h's kAllFramesArgument): an animation's
    // frames composed, a document's pages, with their delays and loop count. The frames share
    // the one mapping of the shared memory.
    Status decodeFrames(const PictureFile& file, PictureFrames& frames,
                        const WaitHook& whileWaiting = {}) const;

    const QString& program() const { return program_; }

    // The helper executable: $envVariable if it holds an absolute path, otherwise what
    // findHelper() finds for this program (HelperLocation.h). Empty if none exists.
    static QString locate(const HelperKind& kind);

  private:
    Status run(const PictureFile& file, bool allFrames, PictureFrames& frames,
               const WaitHook& whileWaiting) const;

    const HelperKind& kind_;
    QString program_;
};

// Kills every helper that is running now, with its process group. Safe in a signal handler.
void killRunningHelpers();

}  // namespace glint
