#include "OVAcronym.h"

#include "CatalogueControl.h"

namespace {

// The built-in acronyms in catalogue order, each written as people write it
// (numbers for sounds: B4, L8R), with the localizer operation that describes it.
constexpr CatalogueEntry Acronyms[] = {
    {"ID_LST_I41", "I41"},       {"ID_LST_4ME", "4ME"},
    {"ID_LST_AFAIK", "AFAIK"},   {"ID_LST_AIUI", "AIUI"},
    {"ID_LST_AKA", "AKA"},       {"ID_LST_ASAP", "ASAP"},
    {"ID_LST_B4", "B4"},         {"ID_LST_BBL", "BBL"},
    {"ID_LST_BCNU", "BCNU"},     {"ID_LST_BION", "BION"},
    {"ID_LST_BTW", "BTW"},       {"ID_LST_BRB", "BRB"},
    {"ID_LST_CUL", "CUL"},       {"ID_LST_DWISNWID", "DWISNWID"},
    {"ID_LST_EOF", "EOF"},       {"ID_LST_F2F", "F2F"},
    {"ID_LST_FAQ", "FAQ"},       {"ID_LST_FOAF", "FOAF"},
    {"ID_LST_GA", "GA"},         {"ID_LST_GDR", "GDR"},
    {"ID_LST_GIGO", "GIGO"},     {"ID_LST_IC", "IC"},
    {"ID_LST_IME", "IME"},       {"ID_LST_IMHO", "IMHO"},
    {"ID_LST_IMNSHO", "IMNSHO"}, {"ID_LST_IMO", "IMO"},
    {"ID_LST_IOW", "IOW"},       {"ID_LST_IRL", "IRL"},
    {"ID_LST_ISTM", "ISTM"},     {"ID_LST_ITRO", "ITRO"},
    {"ID_LST_ITRW", "ITRW"},     {"ID_LST_IWBNI", "IWBNI"},
    {"ID_LST_IYSWIM", "IYSWIM"}, {"ID_LST_JAM", "JAM"},
    {"ID_LST_L8R", "L8R"},       {"ID_LST_MOMPL", "MOMPL"},
    {"ID_LST_MORF", "MORF"},     {"ID_LST_MOTOS", "MOTOS"},
    {"ID_LST_MUD", "MUD"},       {"ID_LST_MUG", "MUG"},
    {"ID_LST_NRN", "NRN"},       {"ID_LST_OBTW", "OBTW"},
    {"ID_LST_OMG", "OMG"},       {"ID_LST_OIC", "OIC"},
    {"ID_LST_OHDH", "OHDH"},     {"ID_LST_OTOH", "OTOH"},
    {"ID_LST_PD", "PD"},         {"ID_LST_PTMM", "PTMM"},
    {"ID_LST_RFD", "RFD"},       {"ID_LST_RL", "RL"},
    {"ID_LST_ROFL", "ROFL"},     {"ID_LST_RSN", "RSN"},
    {"ID_LST_RTFAQ", "RTFAQ"},   {"ID_LST_RTFM", "RTFM"},
    {"ID_LST_RUOK", "RUOK"},     {"ID_LST_SITD", "SITD"},
    {"ID_LST_SNR", "SNR"},       {"ID_LST_SO", "SO"},
    {"ID_LST_TCB", "TCB"},       {"ID_LST_TIA", "TIA"},
    {"ID_LST_TNX", "TNX"},       {"ID_LST_TTYL", "TTYL"},
    {"ID_LST_TVM", "TVM"},       {"ID_LST_VC", "VC"},
    {"ID_LST_VL", "VL"},         {"ID_LST_WYSIWYG", "WYSIWYG"},
    {"ID_LST_YABA", "YABA"},     {"ID_LST_FYI", "FYI"},
};

} // namespace

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
    CatalogueControl::loadFile(lpFilename,
                               CatalogueControl::reporter(this, &OVAcronym::NextAcronym));
}
