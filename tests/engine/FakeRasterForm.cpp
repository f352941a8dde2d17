#include "FakeRasterForm.h"

namespace glint::test {

namespace {

std::string nameOf(Command command) {
    switch (command) {
        case Command::Load:
            return "Load";
        case Command::Raster:
            return "Raster";
        case Command::Save:
            return "Save";
        case Command::Break:
            return "Break";
    }
    return "?";
}

}  // namespace

void FakeRasterForm::chooseScale(std::int32_t s) {
    scale = s;
    if (SetDstSize(*this).isOk()) (void)ShowPicInfo(*this);
}

void FakeRasterForm::setInfo(const std::string& caption) {
    calls.push_back("info");
    infos.push_back(caption);
}

void FakeRasterForm::setBreakFlag(bool on) {
    calls.push_back(std::string("breakFlag ") + (on ? "1" : "0"));
    breakRequested = on;
}

void FakeRasterForm::setCommandEnabled(Command command, bool on) {
    calls.push_back("enable " + nameOf(command) + (on ? " 1" : " 0"));
    enabled[command] = on;
}

void FakeRasterForm::setCommandVisible(Command command, bool on) {
    calls.push_back("visible " + nameOf(command) + (on ? " 1" : " 0"));
    visible[command] = on;
}

void FakeRasterForm::setCommandFocus(Command command) {
    calls.push_back("focus " + nameOf(command));
}

void FakeRasterForm::doEvents() {
    calls.push_back("yield");
    if (auto action = onYield.find(yields); action != onYield.end()) action->second();
    ++yields;
}

void FakeRasterForm::showError(const std::string& text) {
    calls.push_back("error");
    errors.push_back(text);
}

}  // namespace glint::test
