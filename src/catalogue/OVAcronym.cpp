#include "catalogue/OVAcronym.h"

#include "catalogue/CatalogueControl.h"
#include "ovsmiley/ZunoSmiley1.h"

namespace {

// The built-in acronyms in catalogue order, each written as people write it
// (numbers for sounds: B4, L8R), with the localizer operation that describes it.
constexpr CatalogueEntry Acronyms[] = {
    {&ZunoSmiley1::ID_LST_I41, "I41", "i for one, as for me, à mon avis, perso"},
    {&ZunoSmiley1::ID_LST_4ME, "4ME", "for me, pour moi, perso"},
    {&ZunoSmiley1::ID_LST_AFAIK, "AFAIK",
     "as far as i know, afaict, as far as i can tell, à ma connaissance, autant que je sache"},
    {&ZunoSmiley1::ID_LST_AIUI, "AIUI",
     "as i understand it, if i understand, si je comprends bien, comme je l'ai compris"},
    {&ZunoSmiley1::ID_LST_AKA, "AKA", "also known as, alias, a.k.a., dit, aussi appelé"},
    {&ZunoSmiley1::ID_LST_ASAP, "ASAP",
     "as soon as possible, urgent, quickly, au plus vite, au plus tôt, dès que possible, "
     "rapidement"},
    {&ZunoSmiley1::ID_LST_B4, "B4", "before, earlier, avant, auparavant, plus tôt"},
    {&ZunoSmiley1::ID_LST_BBL, "BBL", "be back later, back later, je reviens plus tard, à plus"},
    {&ZunoSmiley1::ID_LST_BCNU, "BCNU",
     "be seeing you, see you, bye, goodbye, à bientôt, au revoir, salut, a+"},
    {&ZunoSmiley1::ID_LST_BION, "BION",
     "believe it or not, incredible, crois-le ou non, croyez-le ou non, incroyable"},
    {&ZunoSmiley1::ID_LST_BTW, "BTW", "by the way, au fait, à propos, d'ailleurs"},
    {&ZunoSmiley1::ID_LST_BRB, "BRB",
     "be right back, back soon, je reviens, je reviens tout de suite, jrv"},
    {&ZunoSmiley1::ID_LST_CUL, "CUL",
     "see you later, see ya, cya, bye, à plus tard, à plus, a+, @+, salut"},
    {&ZunoSmiley1::ID_LST_DWISNWID, "DWISNWID",
     "do what i say not what i do, faites ce que je dis, pas ce que je fais"},
    {&ZunoSmiley1::ID_LST_EOF, "EOF", "end of file, end, fin de fichier, fin"},
    {&ZunoSmiley1::ID_LST_F2F, "F2F",
     "face to face, in person, face à face, en personne, tête à tête"},
    {&ZunoSmiley1::ID_LST_FAQ, "FAQ",
     "frequently asked questions, questions, help, foire aux questions, aide"},
    {&ZunoSmiley1::ID_LST_FOAF, "FOAF", "friend of a friend, friend, un ami d'un ami, ami, copain"},
    {&ZunoSmiley1::ID_LST_GA, "GA", "go ahead, go on, vas-y, allez-y, continue"},
    {&ZunoSmiley1::ID_LST_GDR, "GDR", "grinning ducking and running, run away, grimace, s'enfuir"},
    {&ZunoSmiley1::ID_LST_GIGO, "GIGO",
     "garbage in garbage out, garbage, déchets, qui sème le vent"},
    {&ZunoSmiley1::ID_LST_IC, "IC", "i see, understood, je vois, compris"},
    {&ZunoSmiley1::ID_LST_IME, "IME",
     "in my experience, experience, d'expérience, selon mon expérience"},
    {&ZunoSmiley1::ID_LST_IMHO, "IMHO",
     "in my humble opinion, opinion, à mon humble avis, amha, selon moi"},
    {&ZunoSmiley1::ID_LST_IMNSHO, "IMNSHO",
     "in my not so humble opinion, opinion, à mon avis pas très humble"},
    {&ZunoSmiley1::ID_LST_IMO, "IMO", "in my opinion, opinion, à mon avis, ama, selon moi, perso"},
    {&ZunoSmiley1::ID_LST_IOW, "IOW",
     "in other words, autrement dit, en d'autres termes, c'est-à-dire"},
    {&ZunoSmiley1::ID_LST_IRL, "IRL",
     "in real life, real life, offline, dans la vraie vie, en vrai"},
    {&ZunoSmiley1::ID_LST_ISTM, "ISTM", "it seems to me, apparently, il me semble, apparemment"},
    {&ZunoSmiley1::ID_LST_ITRO, "ITRO",
     "in the region of, about, around, dans la région de, environ, à peu près"},
    {&ZunoSmiley1::ID_LST_ITRW, "ITRW",
     "in the real world, real world, dans le vrai monde, monde réel, en vrai"},
    {&ZunoSmiley1::ID_LST_IWBNI, "IWBNI",
     "it would be nice if, nice if, ce serait gentil si, ce serait bien si"},
    {&ZunoSmiley1::ID_LST_IYSWIM, "IYSWIM",
     "if you see what i mean, you know, si vous voyez ce que je veux dire, tu vois"},
    {&ZunoSmiley1::ID_LST_JAM, "JAM",
     "just a minute, wait, hang on, juste une minute, une minute, attends"},
    {&ZunoSmiley1::ID_LST_L8R, "L8R", "later, see you later, plus tard, à plus, a+"},
    {&ZunoSmiley1::ID_LST_MOMPL, "MOMPL",
     "moment please, one moment, wait, un moment, un instant, patience"},
    {&ZunoSmiley1::ID_LST_MORF, "MORF",
     "male or female, gender, mâle ou femelle, homme ou femme, sexe"},
    {&ZunoSmiley1::ID_LST_MOTOS, "MOTOS",
     "member of the opposite sex, opposite sex, membre du sexe opposé, sexe opposé"},
    {&ZunoSmiley1::ID_LST_MUD, "MUD",
     "multi user dungeon, dungeon, online game, jeu de rôle en ligne, jeu en ligne, donjon"},
    {&ZunoSmiley1::ID_LST_MUG, "MUG",
     "multi user games, online games, multiplayer, jeux en réseau, jeux en ligne, multijoueur"},
    {&ZunoSmiley1::ID_LST_NRN, "NRN",
     "no reply necessary, no need to reply, no answer needed, pas besoin de répondre, pas de "
     "réponse"},
    {&ZunoSmiley1::ID_LST_OBTW, "OBTW", "oh by the way, by the way, oh à propos, au fait"},
    {&ZunoSmiley1::ID_LST_OMG, "OMG",
     "oh my god, oh my gosh, wow, oh mon dieu, mon dieu, oh là là"},
    {&ZunoSmiley1::ID_LST_OIC, "OIC", "oh i see, i see, oh je vois, je vois, compris"},
    {&ZunoSmiley1::ID_LST_OHDH, "OHDH",
     "old habits die hard, habits, les mauvaises habitudes ont la vie dure, habitudes"},
    {&ZunoSmiley1::ID_LST_OTOH, "OTOH",
     "on the other hand, however, d'autre part, d'un autre côté, par contre, en revanche"},
    {&ZunoSmiley1::ID_LST_PD, "PD", "public domain, free, domaine public, libre"},
    {&ZunoSmiley1::ID_LST_PTMM, "PTMM",
     "please tell me more, tell me more, raconte-m'en plus, dis-m'en plus, raconte"},
    {&ZunoSmiley1::ID_LST_RFD, "RFD",
     "request for discussion, discussion, proposal, appel à discussion, débat"},
    {&ZunoSmiley1::ID_LST_RL, "RL", "real life, offline, irl, la vraie vie, vie réelle"},
    {&ZunoSmiley1::ID_LST_ROFL, "ROFL",
     "rolling on the floor laughing, lol, lmao, laughing, ptdr, mdr, mort de rire, je me roule par "
     "terre, rire"},
    {&ZunoSmiley1::ID_LST_RSN, "RSN", "real soon now, soon, très bientôt, bientôt, sous peu"},
    {&ZunoSmiley1::ID_LST_RTFAQ, "RTFAQ", "read the faq, faq, lis la faq"},
    {&ZunoSmiley1::ID_LST_RTFM, "RTFM",
     "read the manual, read the fucking manual, manual, documentation, lis le manuel, doc"},
    {&ZunoSmiley1::ID_LST_RUOK, "RUOK",
     "are you ok, are you okay, how are you, ça va, tu vas bien, comment ça va"},
    {&ZunoSmiley1::ID_LST_SITD, "SITD",
     "still in the dark, clueless, no idea, rester dans le noir, aucune idée, perdu"},
    {&ZunoSmiley1::ID_LST_SNR, "SNR",
     "signal to noise ratio, signal, noise, rapport signal sur bruit, bruit"},
    {&ZunoSmiley1::ID_LST_SO, "SO",
     "significant other, partner, boyfriend, girlfriend, moitié, partenaire, conjoint"},
    {&ZunoSmiley1::ID_LST_TCB, "TCB", "trouble come back, trouble, retour controversé, problème"},
    {&ZunoSmiley1::ID_LST_TIA, "TIA",
     "thanks in advance, thanks, thx, merci d'avance, merci par avance"},
    {&ZunoSmiley1::ID_LST_TNX, "TNX", "thanks, thank you, thx, thks, ty, merci, mci"},
    {&ZunoSmiley1::ID_LST_TTYL, "TTYL",
     "talk to you later, later, see you, je te parlerai plus tard, à plus, a+"},
    {&ZunoSmiley1::ID_LST_TVM, "TVM",
     "thanks very much, thank you very much, thanks a lot, merci beaucoup, merci bien, mille "
     "mercis"},
    {&ZunoSmiley1::ID_LST_VC, "VC",
     "virtual community, community, online community, communauté virtuelle, communauté"},
    {&ZunoSmiley1::ID_LST_VL, "VL", "virtual life, online life, cyberspace, vie virtuelle"},
    {&ZunoSmiley1::ID_LST_WYSIWYG, "WYSIWYG",
     "what you see is what you get, what you see, ce que vous voyez est ce que vous obtenez"},
    {&ZunoSmiley1::ID_LST_YABA, "YABA",
     "yet another bloody acronym, acronym, encore un autre acronyme, acronyme"},
    {&ZunoSmiley1::ID_LST_FYI, "FYI",
     "for your information, info, pour votre information, pour info, pour information"},
};

static_assert(CatalogueEntry::allHaveKeywords(Acronyms), "a built-in entry without keywords");

} // namespace

QHash<QString, QStringList> OVAcronym::tableKeywords()
{
    return CatalogueControl::keywords(Acronyms);
}

OVAcronym::OVAcronym(QObject* parent)
    : QObject(parent)
    , m_catalogue(std::make_unique<CatalogueControl>(Acronyms))
{}

OVAcronym::~OVAcronym() = default;

qint32 OVAcronym::Language() const
{
    return m_catalogue->language();
}

void OVAcronym::setLanguage(qint32 value)
{
    m_catalogue->setLanguage(value);
}

void OVAcronym::LoadTable()
{
    m_catalogue->loadTable(CatalogueControl::reporter(this, &OVAcronym::NextAcronym));
}

void OVAcronym::LoadFile(const QString& lpFilename)
{
    // A handler of the event may destroy this control.
    const QPointer<OVAcronym> alive(this);
    const UserListReader::Result found = CatalogueControl::loadFile(
        lpFilename, CatalogueControl::reporter(this, &OVAcronym::NextAcronym));
    if (alive)
        m_lastFileRead = found;
}
