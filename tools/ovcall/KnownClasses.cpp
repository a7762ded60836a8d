#include "KnownClasses.h"

#include <QObject>

#ifdef ZUNO_HAVE_OVSMILEY
#include "ZunoSmiley1.h"
#endif
#ifdef ZUNO_HAVE_OVOBJ10
#include "OVObject.h"
#endif
#ifdef ZUNO_HAVE_ZUNOCATALOGUE
#include "OVAcronym.h"
#include "OVSmiley.h"
#endif
#ifdef ZUNO_HAVE_OVSHELL
#include "ShellLib.h"
#include "ShellLib2.h"
#endif

QList<const QMetaObject*> knownClasses()
{
    return {
#ifdef ZUNO_HAVE_OVSMILEY
        &ZunoSmiley1::staticMetaObject,
#endif
#ifdef ZUNO_HAVE_OVOBJ10
        &OVObject::staticMetaObject,
#endif
#ifdef ZUNO_HAVE_ZUNOCATALOGUE
        &OVSmiley::staticMetaObject,    &OVAcronym::staticMetaObject,
#endif
#ifdef ZUNO_HAVE_OVSHELL
        &ShellLib2::staticMetaObject,   &ShellLib::staticMetaObject,
#endif
    };
}
