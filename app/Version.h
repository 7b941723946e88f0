// The four numbers of the executable's file version, read once.
#pragma once

#include <string>

namespace varnook {

void LoadVersionInfo();
std::u16string GetVersionMajor();
std::u16string GetVersionMinor();
std::u16string GetVersionRelease();
std::u16string GetVersionBuild();
// major.minor.release.build
std::u16string GetVersionText();

} // namespace varnook
