#include "RegistryRefusals.h"

#include <QtGlobal>

#include <atomic>
#include <cstring>

namespace {

std::atomic<int> refusals = 0;
QtMessageHandler previous = nullptr;

void countRefusals(QtMsgType type, const QMessageLogContext& context, const QString& message)
{
    // Every library has its own copy of the store, so the category is known by name.
    if ((type == QtWarningMsg || type == QtCriticalMsg) && context.category &&
        std::strcmp(context.category, "zuno.registry") == 0)
        ++refusals;
    previous(type, context, message);
}

} // namespace

void RegistryRefusals::watch()
{
    previous = qInstallMessageHandler(countRefusals);
}

int RegistryRefusals::count()
{
    return refusals;
}
