#include "desktop/FontConfigWarmUp.h"

#include <fontconfig/fontconfig.h>

FontConfigWarmUp::FontConfigWarmUp()
    : m_loading([] { FcInit(); })
{}

FontConfigWarmUp::~FontConfigWarmUp()
{
    wait();
}

void FontConfigWarmUp::wait()
{
    if (m_loading.joinable())
        m_loading.join();
}
