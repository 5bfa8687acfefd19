#include "font_preload.h"

#include <fontconfig/fontconfig.h>

#include <system_error>

namespace nubra {

TFontConfigPreload::TFontConfigPreload() {
    try {
        // FcInit's result is not needed here: a configuration that fails to
        // load fails again, and is reported, when Qt asks for it.
        thread_ = std::thread([] { FcInit(); });
    } catch (const std::system_error&) {
        // no second thread: Qt loads it on first use
    }
}

void TFontConfigPreload::Wait() {
    if (thread_.joinable())
        thread_.join();
}

} // namespace nubra
