#pragma once

// Counts the writes that the class registry store refused during a call (the
// warnings of its "zuno.registry" log category), passing every message on as
// before. ShellLib2 ignores the store's answer by design, so this is how ovcall
// learns that a registration did not happen and can exit with a failure.
class RegistryRefusals
{
public:
    static void watch();
    static int count();
};
