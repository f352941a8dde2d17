#pragma once
// Keeping the destination and the info label in step with the source and the scale.
#include <cstdint>
#include <string>

#include "PictureSurface.h"
#include "Status.h"

namespace glint {

// What SetDstSize and ShowPicInfo read and write on the window.
class SizingForm {
  public:
    virtual ~SizingForm() = default;
    virtual std::int32_t rasterScale() const = 0;  // read at every use
    virtual PictureSurface& picSrc() = 0;
    virtual PictureSurface& picDst() = 0;
    virtual std::string dialogFileName() const = 0;        // the common dialog's FileName
    virtual void setInfo(const std::string& caption) = 0;  // LblInfo.Caption
};

// Outer size of the destination for a source outer size: outer*s - (s-1)*4, formed in double,
// stored as single. Fails on 32-bit overflow of (s-1)*4 or a result that is no finite single.
Status destinationOuterSize(float srcOuter, std::int32_t scale, float& out);
// Estimated render time in seconds: outerWidth * outerHeight / 2000 * scale, in double.
double renderEstimate(float srcOuterWidth, float srcOuterHeight, std::int32_t scale);

// PicDst gets a drawing area scale times that of PicSrc: height first, then width.
Status SetDstSize(SizingForm& form);
// Writes the picture's name, size and estimate into the info label; nothing without a name.
Status ShowPicInfo(SizingForm& form);

}  // namespace glint
