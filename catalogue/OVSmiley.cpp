#include "OVSmiley.h"

#include "CatalogueControl.h"

namespace {

// The built-in smileys in catalogue order, each with the localizer operation
// that describes it. No two texts are alike, even ignoring letter case, since
// the program lists only the first of two equal texts.
constexpr CatalogueEntry Smileys[] = {
    {"ID_LST_TIRED", "|-O"}, // yawning
    {"ID_LST_WINK", ";-)"},
    {"ID_LST_SAD", ":-("},
    {"ID_LST_GRIN", ":-D"},
    {"ID_LST_2I8", "2L8"}, // "too late" has no face; people write it so
    {"ID_LST_HAPPY", ":-)"},
    {"ID_LST_DIABOLIC", ">:->"},
    {"ID_LST_CANNIBAL", ":-E"}, // teeth bared
    {"ID_LST_SUN_GLASSES", "B-)"},
    {"ID_LST_TEACHER", "::-|"}, // glasses and a straight face
    {"ID_LST_DEAR", "$-)"},     // dear as in costly: dollar eyes
    {"ID_LST_ASLEEP", "|-I"},
    {"ID_LST_CHINESE", "<|-)"},
    {"ID_LST_COW", "3:-O"},
    {"ID_LST_FROG", "8)"},
    {"ID_LST_SMOKER", ":-Q"},
    {"ID_LST_VERY_HAPPY", ":-))"},
    {"ID_LST_LAUGH_TEARS", ":'-)"},
    {"ID_LST_KISS", ":-*"},
    {"ID_LST_MOUSTACHE", ":-{)"},
    {"ID_LST_LOSS_VOICE", ":-#"}, // mouth sealed
    {"ID_LST_KISS_YOU", "(:-*"},
    {"ID_LST_CRY", ":-@"}, // crying out, screaming
    {"ID_LST_VERY_SAD", ":-(("},
    {"ID_LST_ANGRY", ">:-("},
    {"ID_LST_LOL", ":-DDD"},
    {"ID_LST_BIG_KISS", ":-X"},
    {"ID_LST_CYCLOPS", "O-)"},
    {"ID_LST_LITTLE_GIRL", "8:-)"}, // bow in the hair
    {"ID_LST_CLOWN", "*:o)"},
    {"ID_LST_DOG", "3:]"},
    {"ID_LST_LEFT_HANDED", "(-:"},
    {"ID_LST_FATHER_CHRISTMAS", "*<|:-)"},
    {"ID_LST_BEWARE_DOG", "3:["},
    {"ID_LST_BLACK_EYE", "?-("},
    {"ID_LST_PRIEST", "+:-)"},
    {"ID_LST_PUNK", "-:-)"},      // mohawk
    {"ID_LST_MAGICIAN", "8<:-)"}, // pointed hat
    {"ID_LST_MOUTH_FULL", ":-B"}, // cheeks puffed out
    {"ID_LST_SARCASTIC", ":->"},
    {"ID_LST_MICKEY", "8(:-)"},
    {"ID_LST_WHISTLE_GIRL", ":-o~~"},
    {"ID_LST_BIG_SURPRISE", "8-O"},
    {"ID_LST_SLAVER", ":-)~"},
    {"ID_LST_UNDECEIVED", ":-c"},
    {"ID_LST_SMOKE_PIPE", ":-?"},
    {"ID_LST_LIPSTICK", ":-{}"},
    {"ID_LST_LICK_CHOP", ":-9"},
    {"ID_LST_HELP", ":-(O)"}, // yelling
    {"ID_LST_VAMPIRE", ":-["},
    {"ID_LST_MOUSE", "<:3)~~~"},
    {"ID_LST_WEAR_GLASSES", "8-)"},
    {"ID_LST_INDIFFERENT", ":-|"},
    {"ID_LST_SPITEFUL", ":-P"},
    {"ID_LST_PIG", ":8)"},
    {"ID_LST_ROBOT", "[:]"},
    {"ID_LST_LONG_NOSE", ":^)"},
    {"ID_LST_LITTLE_NOSE", ":.)"},
    {"ID_LST_ORANG_OUTANG", "8:]"},
    {"ID_LST_ROBOCOP", "[:-|]"},
    {"ID_LST_HOLY", "O:-)"},    // halo
    {"ID_LST_LIES", ":-----)"}, // the nose grows
    {"ID_LST_DRUNKEN", ":*)"},  // red nose
    {"ID_LST_SCEPTIC", ":-/"},
    {"ID_LST_FEEL_COLD", ":-~)"}, // runny nose
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
    CatalogueControl::loadFile(lpFilename, CatalogueControl::reporter(this, &OVSmiley::NextSmiley));
}
