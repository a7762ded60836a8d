#include "catalogue/OVSmiley.h"

#include "catalogue/CatalogueControl.h"
#include "ovsmiley/ZunoSmiley1.h"

namespace {

// The built-in smileys in catalogue order, each with the localizer operation
// that describes it. No two texts are alike, even ignoring letter case, since
// the program lists only the first of two equal texts.
constexpr CatalogueEntry Smileys[] = {
    {&ZunoSmiley1::ID_LST_TIRED, "|-O",
     "tired, yawn, yawning, sleepy, bored, fatigué, bâiller, bâillement, crevé, ennui"}, // yawning
    {&ZunoSmiley1::ID_LST_WINK, ";-)",
     "wink, winking, joke, kidding, just kidding, clin d'œil, blague, je plaisante"},
    {&ZunoSmiley1::ID_LST_SAD, ":-(", "sad, frown, upset, sorry, triste, malheureux, déçu, désolé"},
    {&ZunoSmiley1::ID_LST_GRIN, ":-D",
     "grin, smile, big smile, laugh, joy, sourire, rire, joie, heureux"},
    {&ZunoSmiley1::ID_LST_2I8, "2L8",
     "late, too late, trop tard, tard, en retard"}, // "too late" has no face; people write
                                                    // it so
    {&ZunoSmiley1::ID_LST_HAPPY, ":-)",
     "smile, smiling, smiley, glad, pleased, ok, sourire, souriant, joyeux, content, "
     "sympa"},
    {&ZunoSmiley1::ID_LST_DIABOLIC, ">:->",
     "devil, devilish, evil, naughty, mischief, diable, diabolique, méchant, malicieux, "
     "coquin"},
    {&ZunoSmiley1::ID_LST_CANNIBAL, ":-E",
     "cannibal, teeth, bite, hungry, cannibale, dents, mordre, affamé"}, // teeth bared
    {&ZunoSmiley1::ID_LST_SUN_GLASSES, "B-)",
     "cool, sunglasses, shades, sun, lunettes de soleil, soleil, frimeur, classe"},
    {&ZunoSmiley1::ID_LST_TEACHER, "::-|",
     "teacher, professor, serious, glasses, professeur, prof, instituteur, maître, "
     "lunettes"}, // glasses and a straight face
    {&ZunoSmiley1::ID_LST_DEAR, "$-)",
     "money, rich, dollar, expensive, costly, greedy, argent, riche, coûteux, radin"}, // dear
                                                                                       // as
                                                                                       // in
                                                                                       // costly:
                                                                                       // dollar
                                                                                       // eyes
    {&ZunoSmiley1::ID_LST_ASLEEP, "|-I",
     "asleep, sleep, sleeping, snore, night, dormir, endormi, sommeil, ronfler, nuit"},
    {&ZunoSmiley1::ID_LST_CHINESE, "<|-)", "chinese, china, hat, chinois, chine, chapeau"},
    {&ZunoSmiley1::ID_LST_COW, "3:-O", "cow, moo, bull, vache, meuh, taureau"},
    {&ZunoSmiley1::ID_LST_FROG, "8)", "frog, toad, grenouille, crapaud"},
    {&ZunoSmiley1::ID_LST_SMOKER, ":-Q", "smoker, smoking, smoke, cigarette, fumeur, fumer, clope"},
    {&ZunoSmiley1::ID_LST_VERY_HAPPY, ":-))",
     "very happy, overjoyed, delighted, joy, big smile, très heureux, ravi, joie, "
     "enchanté"},
    {&ZunoSmiley1::ID_LST_LAUGH_TEARS, ":'-)",
     "laugh, laughing, tears, tears of joy, crying with laughter, rire, larmes, pleurer de "
     "rire"},
    {&ZunoSmiley1::ID_LST_KISS, ":-*",
     "kiss, kisses, love, heart, bisou, bisous, bise, amour, cœur"},
    {&ZunoSmiley1::ID_LST_MOUSTACHE, ":-{)", "moustache, mustache, moustachu"},
    {&ZunoSmiley1::ID_LST_LOSS_VOICE, ":-#",
     "silence, secret, quiet, shh, sealed lips, mouth shut, chut, motus, bouche cousue, "
     "aphone"}, // mouth sealed
    {&ZunoSmiley1::ID_LST_KISS_YOU, "(:-*",
     "kiss, love, love you, hug, bisou, je t'aime, amour, embrasser"},
    {&ZunoSmiley1::ID_LST_CRY, ":-@",
     "scream, shout, yell, crying out, crier, hurler, hurlement, cri"}, // crying out,
                                                                        // screaming
    {&ZunoSmiley1::ID_LST_VERY_SAD, ":-((",
     "very sad, cry, crying, tears, upset, heartbroken, très triste, pleurer, larmes, "
     "chagrin, malheureux"},
    {&ZunoSmiley1::ID_LST_ANGRY, ">:-(",
     "angry, mad, furious, annoyed, grumpy, anger, en colère, colère, fâché, furieux, "
     "énervé"},
    {&ZunoSmiley1::ID_LST_LOL, ":-DDD",
     "lol, laugh, laughing, haha, hilarious, mdr, mdrr, mdrrr, ptdr, mort de rire, rire, "
     "éclater de rire, hihi"},
    {&ZunoSmiley1::ID_LST_BIG_KISS, ":-X",
     "big kiss, kiss, kisses, love, heart, xoxo, gros bisou, bisous, bisou, amour, cœur"},
    {&ZunoSmiley1::ID_LST_CYCLOPS, "O-)", "cyclops, one eye, monster, cyclope, borgne, monstre"},
    {&ZunoSmiley1::ID_LST_LITTLE_GIRL, "8:-)",
     "little girl, girl, bow, ribbon, petite fille, fille, fillette, nœud"}, // bow in the
                                                                             // hair
    {&ZunoSmiley1::ID_LST_CLOWN, "*:o)",
     "clown, funny, joker, circus, red nose, drôle, cirque, nez rouge, pitre"},
    {&ZunoSmiley1::ID_LST_DOG, "3:]", "dog, puppy, woof, chien, chiot, toutou, ouaf"},
    {&ZunoSmiley1::ID_LST_LEFT_HANDED,
     "(-:", "left handed, lefty, backwards, reversed, gaucher, gauche, à l'envers"},
    {&ZunoSmiley1::ID_LST_FATHER_CHRISTMAS, "*<|:-)",
     "santa, santa claus, christmas, xmas, father christmas, noël, père noël"},
    {&ZunoSmiley1::ID_LST_BEWARE_DOG, "3:[",
     "beware of the dog, angry dog, guard dog, bite, grr, chien méchant, attention au "
     "chien"},
    {&ZunoSmiley1::ID_LST_BLACK_EYE, "?-(",
     "black eye, bruise, hurt, fight, punched, œil au beurre noir, coquard, blessé, "
     "bagarre"},
    {&ZunoSmiley1::ID_LST_PRIEST, "+:-)", "priest, church, religion, pope, prêtre, curé, église"},
    {&ZunoSmiley1::ID_LST_PUNK, "-:-)", "punk, mohawk, rebel, crête, iroquois, rebelle"}, // mohawk
    {&ZunoSmiley1::ID_LST_MAGICIAN, "8<:-)",
     "magician, wizard, magic, sorcerer, magicien, magie, sorcier, mage"}, // pointed hat
    {&ZunoSmiley1::ID_LST_MOUTH_FULL, ":-B",
     "mouth full, eating, chewing, full, bouche pleine, manger, mâcher"}, // cheeks puffed
                                                                          // out
    {&ZunoSmiley1::ID_LST_SARCASTIC, ":->",
     "sarcastic, sarcasm, ironic, irony, smirk, sarcastique, ironique, ironie, moqueur"},
    {&ZunoSmiley1::ID_LST_MICKEY, "8(:-)",
     "mickey, mickey mouse, mouse ears, cartoon, souris, dessin animé"},
    {&ZunoSmiley1::ID_LST_WHISTLE_GIRL, ":-o~~",
     "whistle, whistling, flirt, pretty girl, siffler, sifflement, draguer, jolie fille"},
    {&ZunoSmiley1::ID_LST_BIG_SURPRISE, "8-O",
     "surprised, surprise, shocked, amazed, astonished, wow, omg, surpris, étonné, "
     "stupéfait, choqué"},
    {&ZunoSmiley1::ID_LST_SLAVER, ":-)~",
     "drool, drooling, slaver, yummy, baver, bave, appétissant"},
    {&ZunoSmiley1::ID_LST_UNDECEIVED, ":-c",
     "disappointed, disillusioned, bummed, désabusé, déçu, désillusionné, blasé"},
    {&ZunoSmiley1::ID_LST_SMOKE_PIPE, ":-?",
     "pipe, smoking a pipe, thinking, pensive, fumer la pipe, pensif, réfléchir"},
    {&ZunoSmiley1::ID_LST_LIPSTICK, ":-{}",
     "lipstick, lips, makeup, rouge à lèvres, lèvres, maquillage"},
    {&ZunoSmiley1::ID_LST_LICK_CHOP, ":-9",
     "yum, yummy, tasty, delicious, lick, miam, délicieux, gourmand, se régaler"},
    {&ZunoSmiley1::ID_LST_HELP, ":-(O)",
     "help, scream, shout, sos, au secours, à l'aide, crier, hurler"}, // yelling
    {&ZunoSmiley1::ID_LST_VAMPIRE, ":-[", "vampire, dracula, fangs, crocs, dents"},
    {&ZunoSmiley1::ID_LST_MOUSE, "<:3)~~~", "mouse, rat, mice, souris, rongeur"},
    {&ZunoSmiley1::ID_LST_WEAR_GLASSES, "8-)",
     "glasses, spectacles, nerd, geek, lunettes, binoclard, intello"},
    {&ZunoSmiley1::ID_LST_INDIFFERENT, ":-|",
     "indifferent, neutral, meh, whatever, straight face, indifférent, neutre, bof, blasé"},
    {&ZunoSmiley1::ID_LST_SPITEFUL, ":-P",
     "tongue, sticking out tongue, cheeky, teasing, nyah, langue, tirer la langue, taquin, "
     "moqueur"},
    {&ZunoSmiley1::ID_LST_PIG, ":8)", "pig, piggy, cochon, porc, goret, groin"},
    {&ZunoSmiley1::ID_LST_ROBOT, "[:]", "robot, android, machine, bot, automate"},
    {&ZunoSmiley1::ID_LST_LONG_NOSE, ":^)", "long nose, big nose, nose, long nez, gros nez, nez"},
    {&ZunoSmiley1::ID_LST_LITTLE_NOSE, ":.)",
     "little nose, small nose, cute, nose, petit nez, mignon, nez"},
    {&ZunoSmiley1::ID_LST_ORANG_OUTANG, "8:]",
     "orangutan, orang utan, ape, monkey, gorilla, singe, orang-outan, gorille"},
    {&ZunoSmiley1::ID_LST_ROBOCOP, "[:-|]", "robocop, cyborg, police, robot cop, policier, flic"},
    {&ZunoSmiley1::ID_LST_HOLY, "O:-)",
     "angel, innocent, halo, holy, saint, ange, auréole, sage"}, // halo
    {&ZunoSmiley1::ID_LST_LIES, ":-----)",
     "liar, lie, lying, pinocchio, fib, menteur, mensonge, mentir"}, // the nose grows
    {&ZunoSmiley1::ID_LST_DRUNKEN, ":*)",
     "drunk, tipsy, wasted, red nose, booze, ivre, saoul, soûl, bourré, pompette"}, // red
                                                                                    // nose
    {&ZunoSmiley1::ID_LST_SCEPTIC, ":-/",
     "sceptic, skeptical, doubt, doubtful, unsure, hmm, sceptique, doute, perplexe, "
     "dubitatif"},
    {&ZunoSmiley1::ID_LST_FEEL_COLD, ":-~)",
     "cold, freezing, runny nose, flu, sick, froid, rhume, enrhumé, malade, grippe"}, // runny
                                                                                      // nose
};

static_assert(CatalogueEntry::allHaveKeywords(Smileys), "a built-in entry without keywords");

} // namespace

QHash<QString, QStringList> OVSmiley::tableKeywords()
{
    return CatalogueControl::keywords(Smileys);
}

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
