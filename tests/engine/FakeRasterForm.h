#pragma once
// A window for render tests: form-level values as plain fields, two memory picture boxes, and a
// log of the calls the render makes, in order. Actions can be run inside the yield of a row.
#include <functional>
#include <map>
#include <string>
#include <vector>

#include "MemorySurface.h"
#include "engine/RasterRender.h"

namespace glint::test {

class FakeRasterForm : public RasterForm {
  public:
    std::vector<std::string> calls;
    MemorySurface src{"src", &calls};
    MemorySurface dst{"dst", &calls};
    std::int32_t scale = 2;
    ColorValue back = RGB(1, 2, 3);
    std::int32_t red = 0;
    std::int32_t blue = 0;
    bool breakRequested = false;
    std::string fileName;
    std::map<Command, bool> enabled{{Command::Load, true},
                                    {Command::Raster, true},
                                    {Command::Save, false},
                                    {Command::Break, true}};
    std::map<Command, bool> visible{{Command::Load, true},
                                    {Command::Raster, true},
                                    {Command::Save, true},
                                    {Command::Break, false}};
    std::vector<std::string> infos;
    std::vector<std::string> errors;
    std::map<int, std::function<void()>> onYield;  // keyed by row: the n-th yield is row n's
    int yields = 0;

    // What the Break button and the scale list do when their events arrive.
    void pressBreak() { breakRequested = true; }
    void chooseScale(std::int32_t s);

    std::int32_t rasterScale() const override { return scale; }
    PictureSurface& picSrc() override { return src; }
    PictureSurface& picDst() override { return dst; }
    std::string dialogFileName() const override { return fileName; }
    void setInfo(const std::string& caption) override;
    ColorValue backCol() const override { return back; }
    std::int32_t redVal() const override { return red; }
    std::int32_t blueVal() const override { return blue; }
    bool breakFlag() const override { return breakRequested; }
    void setBreakFlag(bool on) override;
    void setCommandEnabled(Command command, bool on) override;
    void setCommandVisible(Command command, bool on) override;
    void setCommandFocus(Command command) override;
    void doEvents() override;
    void showError(const std::string& text) override;
};

}  // namespace glint::test
