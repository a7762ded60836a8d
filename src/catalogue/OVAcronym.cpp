#include "catalogue/OVAcronym.h"

#include "catalogue/CatalogueControl.h"
#include "ovsmiley/ZunoSmiley1.h"

namespace {

// The built-in acronyms in catalogue order, each written as people write it
// (numbers for sounds: B4, L8R), with the localizer operation that describes it.
constexpr CatalogueEntry Acronyms[] = {
    {&ZunoSmiley1::ID_LST_I41, "I41"},       {&ZunoSmiley1::ID_LST_4ME, "4ME"},
    {&ZunoSmiley1::ID_LST_AFAIK, "AFAIK"},   {&ZunoSmiley1::ID_LST_AIUI, "AIUI"},
    {&ZunoSmiley1::ID_LST_AKA, "AKA"},       {&ZunoSmiley1::ID_LST_ASAP, "ASAP"},
    {&ZunoSmiley1::ID_LST_B4, "B4"},         {&ZunoSmiley1::ID_LST_BBL, "BBL"},
    {&ZunoSmiley1::ID_LST_BCNU, "BCNU"},     {&ZunoSmiley1::ID_LST_BION, "BION"},
    {&ZunoSmiley1::ID_LST_BTW, "BTW"},       {&ZunoSmiley1::ID_LST_BRB, "BRB"},
    {&ZunoSmiley1::ID_LST_CUL, "CUL"},       {&ZunoSmiley1::ID_LST_DWISNWID, "DWISNWID"},
    {&ZunoSmiley1::ID_LST_EOF, "EOF"},       {&ZunoSmiley1::ID_LST_F2F, "F2F"},
    {&ZunoSmiley1::ID_LST_FAQ, "FAQ"},       {&ZunoSmiley1::ID_LST_FOAF, "FOAF"},
    {&ZunoSmiley1::ID_LST_GA, "GA"},         {&ZunoSmiley1::ID_LST_GDR, "GDR"},
    {&ZunoSmiley1::ID_LST_GIGO, "GIGO"},     {&ZunoSmiley1::ID_LST_IC, "IC"},
    {&ZunoSmiley1::ID_LST_IME, "IME"},       {&ZunoSmiley1::ID_LST_IMHO, "IMHO"},
    {&ZunoSmiley1::ID_LST_IMNSHO, "IMNSHO"}, {&ZunoSmiley1::ID_LST_IMO, "IMO"},
    {&ZunoSmiley1::ID_LST_IOW, "IOW"},       {&ZunoSmiley1::ID_LST_IRL, "IRL"},
    {&ZunoSmiley1::ID_LST_ISTM, "ISTM"},     {&ZunoSmiley1::ID_LST_ITRO, "ITRO"},
    {&ZunoSmiley1::ID_LST_ITRW, "ITRW"},     {&ZunoSmiley1::ID_LST_IWBNI, "IWBNI"},
    {&ZunoSmiley1::ID_LST_IYSWIM, "IYSWIM"}, {&ZunoSmiley1::ID_LST_JAM, "JAM"},
    {&ZunoSmiley1::ID_LST_L8R, "L8R"},       {&ZunoSmiley1::ID_LST_MOMPL, "MOMPL"},
    {&ZunoSmiley1::ID_LST_MORF, "MORF"},     {&ZunoSmiley1::ID_LST_MOTOS, "MOTOS"},
    {&ZunoSmiley1::ID_LST_MUD, "MUD"},       {&ZunoSmiley1::ID_LST_MUG, "MUG"},
    {&ZunoSmiley1::ID_LST_NRN, "NRN"},       {&ZunoSmiley1::ID_LST_OBTW, "OBTW"},
    {&ZunoSmiley1::ID_LST_OMG, "OMG"},       {&ZunoSmiley1::ID_LST_OIC, "OIC"},
    {&ZunoSmiley1::ID_LST_OHDH, "OHDH"},     {&ZunoSmiley1::ID_LST_OTOH, "OTOH"},
    {&ZunoSmiley1::ID_LST_PD, "PD"},         {&ZunoSmiley1::ID_LST_PTMM, "PTMM"},
    {&ZunoSmiley1::ID_LST_RFD, "RFD"},       {&ZunoSmiley1::ID_LST_RL, "RL"},
    {&ZunoSmiley1::ID_LST_ROFL, "ROFL"},     {&ZunoSmiley1::ID_LST_RSN, "RSN"},
    {&ZunoSmiley1::ID_LST_RTFAQ, "RTFAQ"},   {&ZunoSmiley1::ID_LST_RTFM, "RTFM"},
    {&ZunoSmiley1::ID_LST_RUOK, "RUOK"},     {&ZunoSmiley1::ID_LST_SITD, "SITD"},
    {&ZunoSmiley1::ID_LST_SNR, "SNR"},       {&ZunoSmiley1::ID_LST_SO, "SO"},
    {&ZunoSmiley1::ID_LST_TCB, "TCB"},       {&ZunoSmiley1::ID_LST_TIA, "TIA"},
    {&ZunoSmiley1::ID_LST_TNX, "TNX"},       {&ZunoSmiley1::ID_LST_TTYL, "TTYL"},
    {&ZunoSmiley1::ID_LST_TVM, "TVM"},       {&ZunoSmiley1::ID_LST_VC, "VC"},
    {&ZunoSmiley1::ID_LST_VL, "VL"},         {&ZunoSmiley1::ID_LST_WYSIWYG, "WYSIWYG"},
    {&ZunoSmiley1::ID_LST_YABA, "YABA"},     {&ZunoSmiley1::ID_LST_FYI, "FYI"},
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
    // A handler of the event may destroy this control.
    const QPointer<OVAcronym> alive(this);
    const UserListReader::Result found = CatalogueControl::loadFile(
        lpFilename, CatalogueControl::reporter(this, &OVAcronym::NextAcronym));
    if (alive)
        m_lastFileRead = found;
}
