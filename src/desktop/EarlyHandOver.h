#pragma once

#include <QString>
#include <QStringList>

// A later start's hand-over before the program builds anything of its
// window: with only the command line read, it asks the running process over
// the session bus to take it, through the bus library alone (no application
// object, no display). A start that finds no running process goes on and
// claims the name through SingleInstance, which still settles two starts at
// the same moment; the calls, their limits and the wait are SingleInstance's.
class EarlyHandOver
{
public:
    enum class Outcome {
        HandedOver, // the running process took the command line: end with code 0
        NoHolder,   // nobody holds the name, or no bus: go on and claim it
        Unanswered, // the bus or a holder did not answer in time, or refused: run alone
    };

    // files, pick and search as for SingleInstance::start; token as
    // SingleInstance::startupToken() read it.
    static Outcome handOver(const QStringList& files, bool pick, const QString& token,
                            const QString& search = {});
};
