#include "ovsmiley/ZunoSmiley1.h"

#include "base/ZunoVersion.h"

namespace {

// The maker's web server; every page lies below its "orvak/" directory.
QString baseAddress()
{
    return QStringLiteral("https://www.orvak.example/orvak/");
}

} // namespace

ZunoSmiley1::ZunoSmiley1(QObject* parent)
    : QObject(parent)
{
    setLanguage(smEnglish);
}

QString ZunoSmiley1::localized(const QString& french, const QString& english) const
{
    switch (m_language) {
    case smFrench:
        return french;
    case smEnglish:
        return english;
    }
    return {};
}

QString ZunoSmiley1::WWWHome() const
{
    const QString page = localized(QStringLiteral("index.asp"), QStringLiteral("index-e.asp"));
    return page.isEmpty() ? QString() : baseAddress() + page;
}

QString ZunoSmiley1::WWWProducts() const
{
    const QString page =
        localized(QStringLiteral("fr/products/index.asp"), QStringLiteral("en/products/index.asp"));
    return page.isEmpty() ? QString() : baseAddress() + page;
}

QString ZunoSmiley1::WWWUpdates() const
{
    // Product, version and build number are fixed text; the language code comes
    // last, and without a language the query still stands with an empty code.
    return baseAddress() +
           QStringLiteral("scripts/version.asp?Id=ZunoSmileys&Version=" ZUNO_VERSION_TEXT
                          "&Revision=" ZUNO_REVISION_TEXT "&Lang=") +
           localized(QStringLiteral("Fr"), QStringLiteral("En"));
}

qint16 ZunoSmiley1::GetDllLanguagesCount() const
{
    return 2;
}

QString ZunoSmiley1::GetDllLanguageName(qint32 intNum) const
{
    switch (intNum) {
    case smFrench:
        return QStringLiteral("Français / French");
    case smEnglish:
        return QStringLiteral("Anglais / English");
    }
    return {};
}

ZunoSmiley1::LanguageConstants ZunoSmiley1::Language() const
{
    return m_language;
}

void ZunoSmiley1::setLanguage(LanguageConstants value)
{
    m_language = value == smFrench ? smFrench : smEnglish;
}

QString ZunoSmiley1::ID_INT_COURTESY(const QString& Organisation, const QString& Subject) const
{
    QString line =
        localized(QStringLiteral("Avec la permission de "), QStringLiteral("By courtesy of "));
    if (line.isEmpty())
        return {};
    // Both arguments go in as they are: a subject of blanks still counts.
    line += Organisation;
    if (!Subject.isEmpty())
        line += QLatin1String(" (") + Subject + QLatin1Char(')');
    return line;
}

QString ZunoSmiley1::ID_INT_SAVE_FAILED(const QString& lpFilename, const QString& lpReason) const
{
    const QString message =
        localized(QStringLiteral("Le fichier « %1 » n'a pas pu être enregistré : %2"),
                  QStringLiteral("The file \"%1\" could not be saved: %2"));
    // Both arguments in one pass, so that a "%1" inside a file name or a
    // reason is shown as it is and not replaced again.
    return message.isEmpty() ? QString() : message.arg(lpFilename, lpReason);
}

QString ZunoSmiley1::ID_INT_NOT_REGULAR_KEPT(const QString& lpFilename) const
{
    const QString message = localized(
        QStringLiteral("« %1 » n'est pas un fichier ordinaire : il est laissé tel quel, et vos "
                       "entrées restent dans la fenêtre tant qu'elle est ouverte."),
        QStringLiteral("\"%1\" is not a regular file: it is left as it is, and your entries "
                       "stay in the window while it is open."));
    return message.isEmpty() ? QString() : message.arg(lpFilename);
}

QString ZunoSmiley1::ID_INT_LISTS_COPIED(const QString& lpFolder) const
{
    const QString message = localized(
        QStringLiteral("Le dossier du programme ne peut pas recevoir vos modifications : vos "
                       "listes y restent telles quelles, et elles sont désormais copiées et "
                       "enregistrées dans « %1 »."),
        QStringLiteral("The program's folder cannot take your changes: your lists there are "
                       "left as they are, and from now on they are copied to and saved in "
                       "\"%1\"."));
    return message.isEmpty() ? QString() : message.arg(lpFolder);
}

QString ZunoSmiley1::ID_INT_IMPORT_COUNTS(const QString& lpFilename, qint32 lngAdded,
                                          qint32 lngPresent) const
{
    // The nouns agree with the counts: French puts 0 and 1 in the singular,
    // English 1 alone.
    const auto frenchOne = [](qint32 n) { return n > -2 && n < 2; };
    const auto englishOne = [](qint32 n) { return n == 1 || n == -1; };
    const QString message =
        localized(QStringLiteral("« %1 » : %2 ") +
                      (frenchOne(lngAdded) ? QStringLiteral("entrée ajoutée")
                                           : QStringLiteral("entrées ajoutées")) +
                      QStringLiteral(", %3 ") +
                      (frenchOne(lngPresent) ? QStringLiteral("déjà présente")
                                             : QStringLiteral("déjà présentes")),
                  QStringLiteral("\"%1\": %2 ") +
                      (englishOne(lngAdded) ? QStringLiteral("entry added")
                                            : QStringLiteral("entries added")) +
                      QStringLiteral(", %3 already there"));
    // In one pass, so that a "%2" inside a file name is shown as it is.
    return message.isEmpty()
               ? QString()
               : message.arg(lpFilename, QString::number(lngAdded), QString::number(lngPresent));
}

QString ZunoSmiley1::ID_INT_IMPORT_UNREADABLE(const QString& lpFilename,
                                              const QString& lpReason) const
{
    const QString message = localized(QStringLiteral("Le fichier « %1 » ne peut pas être lu : %2"),
                                      QStringLiteral("The file \"%1\" cannot be read: %2"));
    return message.isEmpty() ? QString() : message.arg(lpFilename, lpReason);
}

QString ZunoSmiley1::ID_INT_IMPORT_OTHER_TYPE(const QString& lpFilename) const
{
    const QString message =
        localized(QStringLiteral("« %1 » n'est ni une liste de smileys ni une liste d'acronymes"),
                  QStringLiteral("\"%1\" is not a smiley or acronym list"));
    return message.isEmpty() ? QString() : message.arg(lpFilename);
}

QString ZunoSmiley1::ID_INT_IMPORT_FILES(qint32 lngFiles) const
{
    const bool one = lngFiles == 1 || lngFiles == -1;
    const QString message =
        localized((lngFiles > -2 && lngFiles < 2) ? QStringLiteral("%1 fichier :")
                                                  : QStringLiteral("%1 fichiers :"),
                  one ? QStringLiteral("%1 file:") : QStringLiteral("%1 files:"));
    return message.isEmpty() ? QString() : message.arg(lngFiles);
}

QString ZunoSmiley1::ID_INT_REFUSE_DUPLICATE(const QString& lpText,
                                             const QString& lpDescription) const
{
    const QString message = localized(QStringLiteral("La liste a déjà « %1 » (%2)."),
                                      QStringLiteral("The list already has \"%1\" (%2)."));
    return message.isEmpty() ? QString() : message.arg(lpText, lpDescription);
}

QString ZunoSmiley1::ID_INT_REMOVED(const QString& lpText) const
{
    const QString message =
        localized(QStringLiteral("« %1 » supprimé"), QStringLiteral("\"%1\" removed"));
    return message.isEmpty() ? QString() : message.arg(lpText);
}

QString ZunoSmiley1::ID_INT_UNDO_CHANGED_ELSEWHERE(const QString& lpText) const
{
    const QString message = localized(
        QStringLiteral("L'entrée « %1 » a été modifiée ailleurs depuis : cette version est "
                       "gardée et rien n'a été annulé."),
        QStringLiteral("The entry \"%1\" was changed elsewhere since: that version is kept and "
                       "nothing was undone."));
    return message.isEmpty() ? QString() : message.arg(lpText);
}

QString ZunoSmiley1::ID_INT_KEYWORDS_OF(const QString& lpText) const
{
    const QString message =
        localized(QStringLiteral("Mots-clés de « %1 »"), QStringLiteral("Keywords of \"%1\""));
    return message.isEmpty() ? QString() : message.arg(lpText);
}

QString ZunoSmiley1::ID_INT_REFUSE_KEYWORD_TOO_LONG(qint32 lngLength) const
{
    const QString message =
        localized(QStringLiteral("Un mot-clé ne peut pas dépasser %1 caractères."),
                  QStringLiteral("A keyword cannot be longer than %1 characters."));
    return message.isEmpty() ? QString() : message.arg(lngLength);
}

QString ZunoSmiley1::ID_INT_REFUSE_TOO_MANY_KEYWORDS(qint32 lngCount) const
{
    const QString message =
        localized(QStringLiteral("Une entrée ne peut pas avoir plus de %1 mots-clés."),
                  QStringLiteral("An entry cannot have more than %1 keywords."));
    return message.isEmpty() ? QString() : message.arg(lngCount);
}

#define ZUNO_TEXT(member, french, english)                                                         \
    QString ZunoSmiley1::member() const                                                            \
    {                                                                                              \
        return localized(QStringLiteral(french), QStringLiteral(english));                         \
    }
#define ZUNO_COMMON_TEXT(member, text)                                                             \
    QString ZunoSmiley1::member() const                                                            \
    {                                                                                              \
        return QStringLiteral(text);                                                               \
    }
#include "ovsmiley/ZunoSmiley1Texts.inc"
#undef ZUNO_TEXT
#undef ZUNO_COMMON_TEXT
