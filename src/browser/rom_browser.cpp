#include "browser/rom_browser.h"

#include "workspace/main_window.h"

namespace glyphon::browser {

RomBrowser::RomBrowser(platform::Platform& platform) : m_platform(platform) {}
RomBrowser::~RomBrowser() = default;

}  // namespace glyphon::browser
