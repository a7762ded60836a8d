#include "catalogue/OVSmiley.h"

#include "catalogue/CatalogueControl.h"
#include "ovsmiley/ZunoSmiley1.h"

namespace {

// The built-in smileys in catalogue order, each with the localizer operation
// that describes it. No two texts are alike, even ignoring letter case, since
// the program lists only the first of two equal texts.
constexpr CatalogueEntry Smileys[] = {
    {&ZunoSmiley1::ID_LST_TIRED, "|-O"}, // yawning
    {&ZunoSmiley1::ID_LST_WINK, ";-)"},
    {&ZunoSmiley1::ID_LST_SAD, ":-("},
    {&ZunoSmiley1::ID_LST_GRIN, ":-D"},
    {&ZunoSmiley1::ID_LST_2I8, "2L8"}, // "too late" has no face; people write it so
    {&ZunoSmiley1::ID_LST_HAPPY, ":-)"},
    {&ZunoSmiley1::ID_LST_DIABOLIC, ">:->"},
    {&ZunoSmiley1::ID_LST_CANNIBAL, ":-E"}, // teeth bared
    {&ZunoSmiley1::ID_LST_SUN_GLASSES, "B-)"},
    {&ZunoSmiley1::ID_LST_TEACHER, "::-|"}, // glasses and a straight face
    {&ZunoSmiley1::ID_LST_DEAR, "$-)"},     // dear as in costly: dollar eyes
    {&ZunoSmiley1::ID_LST_ASLEEP, "|-I"},
    {&ZunoSmiley1::ID_LST_CHINESE, "<|-)"},
    {&ZunoSmiley1::ID_LST_COW, "3:-O"},
    {&ZunoSmiley1::ID_LST_FROG, "8)"},
    {&ZunoSmiley1::ID_LST_SMOKER, ":-Q"},
    {&ZunoSmiley1::ID_LST_VERY_HAPPY, ":-))"},
    {&ZunoSmiley1::ID_LST_LAUGH_TEARS, ":'-)"},
    {&ZunoSmiley1::ID_LST_KISS, ":-*"},
    {&ZunoSmiley1::ID_LST_MOUSTACHE, ":-{)"},
    {&ZunoSmiley1::ID_LST_LOSS_VOICE, ":-#"}, // mouth sealed
    {&ZunoSmiley1::ID_LST_KISS_YOU, "(:-*"},
    {&ZunoSmiley1::ID_LST_CRY, ":-@"}, // crying out, screaming
    {&ZunoSmiley1::ID_LST_VERY_SAD, ":-(("},
    {&ZunoSmiley1::ID_LST_ANGRY, ">:-("},
    {&ZunoSmiley1::ID_LST_LOL, ":-DDD"},
    {&ZunoSmiley1::ID_LST_BIG_KISS, ":-X"},
    {&ZunoSmiley1::ID_LST_CYCLOPS, "O-)"},
    {&ZunoSmiley1::ID_LST_LITTLE_GIRL, "8:-)"}, // bow in the hair
    {&ZunoSmiley1::ID_LST_CLOWN, "*:o)"},
    {&ZunoSmiley1::ID_LST_DOG, "3:]"},
    {&ZunoSmiley1::ID_LST_LEFT_HANDED, "(-:"},
    {&ZunoSmiley1::ID_LST_FATHER_CHRISTMAS, "*<|:-)"},
    {&ZunoSmiley1::ID_LST_BEWARE_DOG, "3:["},
    {&ZunoSmiley1::ID_LST_BLACK_EYE, "?-("},
    {&ZunoSmiley1::ID_LST_PRIEST, "+:-)"},
    {&ZunoSmiley1::ID_LST_PUNK, "-:-)"},      // mohawk
    {&ZunoSmiley1::ID_LST_MAGICIAN, "8<:-)"}, // pointed hat
    {&ZunoSmiley1::ID_LST_MOUTH_FULL, ":-B"}, // cheeks puffed out
    {&ZunoSmiley1::ID_LST_SARCASTIC, ":->"},
    {&ZunoSmiley1::ID_LST_MICKEY, "8(:-)"},
    {&ZunoSmiley1::ID_LST_WHISTLE_GIRL, ":-o~~"},
    {&ZunoSmiley1::ID_LST_BIG_SURPRISE, "8-O"},
    {&ZunoSmiley1::ID_LST_SLAVER, ":-)~"},
    {&ZunoSmiley1::ID_LST_UNDECEIVED, ":-c"},
    {&ZunoSmiley1::ID_LST_SMOKE_PIPE, ":-?"},
    {&ZunoSmiley1::ID_LST_LIPSTICK, ":-{}"},
    {&ZunoSmiley1::ID_LST_LICK_CHOP, ":-9"},
    {&ZunoSmiley1::ID_LST_HELP, ":-(O)"}, // yelling
    {&ZunoSmiley1::ID_LST_VAMPIRE, ":-["},
    {&ZunoSmiley1::ID_LST_MOUSE, "<:3)~~~"},
    {&ZunoSmiley1::ID_LST_WEAR_GLASSES, "8-)"},
    {&ZunoSmiley1::ID_LST_INDIFFERENT, ":-|"},
    {&ZunoSmiley1::ID_LST_SPITEFUL, ":-P"},
    {&ZunoSmiley1::ID_LST_PIG, ":8)"},
    {&ZunoSmiley1::ID_LST_ROBOT, "[:]"},
    {&ZunoSmiley1::ID_LST_LONG_NOSE, ":^)"},
    {&ZunoSmiley1::ID_LST_LITTLE_NOSE, ":.)"},
    {&ZunoSmiley1::ID_LST_ORANG_OUTANG, "8:]"},
    {&ZunoSmiley1::ID_LST_ROBOCOP, "[:-|]"},
    {&ZunoSmiley1::ID_LST_HOLY, "O:-)"},    // halo
    {&ZunoSmiley1::ID_LST_LIES, ":-----)"}, // the nose grows
    {&ZunoSmiley1::ID_LST_DRUNKEN, ":*)"},  // red nose
    {&ZunoSmiley1::ID_LST_SCEPTIC, ":-/"},
    {&ZunoSmiley1::ID_LST_FEEL_COLD, ":-~)"}, // runny nose
};

} // namespace

OVSmiley::OVSmiley(QObject* parent)
    : QObject(parent)
    , m_catalogue(std::make_unique<CatalogueControl>(Smileys))
{}

OVSmiley::~OVSmiley() = default;

qint32 OVSmiley::Language() const
{
    return m_catalogue->language();
}

void OVSmiley::setLanguage(qint32 value)
{
    m_catalogue->setLanguage(value);
}

void OVSmiley::LoadTable()
{
    m_catalogue->loadTable(CatalogueControl::reporter(this, &OVSmiley::NextSmiley));
}

void OVSmiley::LoadFile(const QString& lpFilename)
{
    // A handler of the event may destroy this control.
    const QPointer<OVSmiley> alive(this);
    const UserListReader::Result found = CatalogueControl::loadFile(
        lpFilename, CatalogueControl::reporter(this, &OVSmiley::NextSmiley));
    if (alive)
        m_lastFileRead = found;
}
