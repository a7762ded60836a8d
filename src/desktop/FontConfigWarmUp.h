#pragma once

#include <thread>

// Loads the desktop's font configuration on another core while the
// application object connects to the display. Qt's font database needs it
// before the first window is measured, and reading it (dozens of XML files
// and the font cache) is the largest single part of a cold start: on its
// own thread it costs the start next to nothing. Wait before anything asks
// Qt for a font, so that both do not read it at once.
class FontConfigWarmUp
{
public:
    FontConfigWarmUp();
    ~FontConfigWarmUp();
    FontConfigWarmUp(const FontConfigWarmUp&) = delete;
    FontConfigWarmUp& operator=(const FontConfigWarmUp&) = delete;

    // Returns once the configuration is loaded; at once after the first call.
    void wait();

private:
    std::thread m_loading;
};
