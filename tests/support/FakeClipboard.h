#pragma once
// A clipboard for tests: keeps what it is given, and fails when told to.
#include <vector>

#include "platform/Clipboard.h"

namespace glint {

class FakeClipboard final : public Clipboard {
  public:
    struct Call {
        QImage picture;
        int format = 0;
    };

    Status SetData(const QImage& picture, int format) override;
    QImage image() const override { return held_; }

    // While failing, SetData fails and the clipboard keeps what it held.
    void setFailing(bool failing) { failing_ = failing; }
    // Every SetData call, successful or not, in order.
    const std::vector<Call>& calls() const { return calls_; }

  private:
    QImage held_;
    std::vector<Call> calls_;
    bool failing_ = false;
};

}  // namespace glint
