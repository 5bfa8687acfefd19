// The system's font configuration, read on a thread of its own while Qt
// starts.
//
// Qt reads fontconfig's configuration (a few dozen XML files and the font
// caches) the first time a control measures its text, and until then the
// window's thread has little else to do: on a two-core machine that reading
// is about a third of the time to the first painted window. Fontconfig
// keeps one configuration per process, so when the thread has loaded it, Qt
// finds it ready.
//
// Wait() must come before the first font is used: fontconfig does not
// serialise two first loads, and a second one started by Qt meanwhile would
// simply redo the work. Where no thread can be started, nothing happens and
// Qt reads the configuration itself, as it always did.
#pragma once

#include <thread>

namespace nubra {

class TFontConfigPreload {
public:
    TFontConfigPreload();
    ~TFontConfigPreload() { Wait(); }
    TFontConfigPreload(const TFontConfigPreload&) = delete;
    TFontConfigPreload& operator=(const TFontConfigPreload&) = delete;

    // Returns once the configuration is loaded (or at once when it was
    // never started); later calls return at once.
    void Wait();

private:
    std::thread thread_;
};

} // namespace nubra
