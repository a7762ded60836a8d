#include "compat/Automation.h"
#include "ovsmiley/ZunoSmiley1.h"

#include <QMetaEnum>
#include <QSet>
#include <QTest>
#include <QUrl>
#include <QUrlQuery>

namespace {

using Language = ZunoSmiley1::LanguageConstants;

// The texts that are the same in French and English.
const QSet<QString> CommonTextMembers = {
    "ID_INT_SMILEYS",   "ID_INT_SMILEY", "ID_INT_DESCRIPTION",  "ID_BTN_OK",
    "ID_LST_MOUSTACHE", "ID_LST_CLOWN",  "ID_LST_PUNK",         "ID_LST_MICKEY",
    "ID_LST_VAMPIRE",   "ID_LST_ROBOT",  "ID_LST_ORANG_OUTANG", "ID_LST_ROBOCOP"};

// The names of the parameterless text members, in interface order.
QList<QByteArray> textMembers()
{
    QList<QByteArray> names;
    for (const auto& m : Automation::interfaceMembers(ZunoSmiley1::staticMetaObject)) {
        if (m.kind == Automation::Member::Kind::Method && m.method.parameterCount() == 0 &&
            m.name.startsWith("ID_"))
            names << m.name;
    }
    return names;
}

QString text(ZunoSmiley1& localizer, const QByteArray& member)
{
    return Automation::call(&localizer, member, {}).toString();
}

QStringList interfaceNames()
{
    QStringList names;
    for (const auto& m : Automation::interfaceMembers(ZunoSmiley1::staticMetaObject))
        names << m.displayName();
    return names;
}

} // namespace

class tst_ZunoSmiley1 : public QObject
{
    Q_OBJECT
private Q_SLOTS:
    void languageWrite_data()
    {
        QTest::addColumn<bool>("write");
        QTest::addColumn<qint32>("value");
        QTest::addColumn<qint32>("expected");
        QTest::newRow("new instance starts in English") << false << 0 << 2;
        QTest::newRow("0 is not French") << true << 0 << 2;
        QTest::newRow("1 is French") << true << 1 << 1;
        QTest::newRow("2 is English") << true << 2 << 2;
        QTest::newRow("3 is English") << true << 3 << 2;
        QTest::newRow("7 is English") << true << 7 << 2;
        QTest::newRow("-1 is English") << true << -1 << 2;
        QTest::newRow("lowest 32-bit value is English")
            << true << std::numeric_limits<qint32>::min() << 2;
        QTest::newRow("value whose low bits are 1 is English") << true << 0x10001 << 2;
    }
    void languageWrite()
    {
        QFETCH(bool, write);
        QFETCH(qint32, value);
        QFETCH(qint32, expected);
        const QString cancel = expected == 1 ? "&Annuler" : "&Cancel";

        ZunoSmiley1 direct;
        if (write)
            direct.setLanguage(Language(value));
        QCOMPARE(qint32(direct.Language()), expected);
        QCOMPARE(direct.ID_BTN_CANCEL(), cancel);

        // The same rule when a client writes the property by name.
        ZunoSmiley1 byName;
        if (write)
            Automation::setProperty(&byName, "Language", QString::number(value));
        QCOMPARE(Automation::format(Automation::call(&byName, "Language", {})),
                 QString::number(expected));
        QCOMPARE(text(byName, "ID_BTN_CANCEL"), cancel);
    }

    void languageSwitchesBackAndForth()
    {
        ZunoSmiley1 localizer;
        localizer.setLanguage(ZunoSmiley1::smFrench);
        QCOMPARE(localizer.ID_LST_WINK(), QString("Clin d'oeil"));
        localizer.setLanguage(Language(0));
        QCOMPARE(localizer.ID_LST_WINK(), QString("Wink"));
        localizer.setLanguage(ZunoSmiley1::smFrench);
        QCOMPARE(localizer.Language(), ZunoSmiley1::smFrench);
    }

    void instancesShareNothing()
    {
        ZunoSmiley1 french;
        ZunoSmiley1 english;
        french.setLanguage(ZunoSmiley1::smFrench);
        QCOMPARE(english.Language(), ZunoSmiley1::smEnglish);
        QCOMPARE(english.ID_INT_ACRONYMS(), QString("Acronyms"));
        QCOMPARE(french.ID_INT_ACRONYMS(), QString("Acronymes"));
    }

    void languageList_data()
    {
        QTest::addColumn<qint32>("number");
        QTest::addColumn<QString>("expected");
        QTest::newRow("0 is no language") << 0 << QString();
        QTest::newRow("1 French") << 1 << QString("Français / French");
        QTest::newRow("2 English") << 2 << QString("Anglais / English");
        QTest::newRow("3 is past the count") << 3 << QString();
        QTest::newRow("-1 is no language") << -1 << QString();
    }
    void languageList()
    {
        QFETCH(qint32, number);
        QFETCH(QString, expected);
        for (const auto language : {ZunoSmiley1::smFrench, ZunoSmiley1::smEnglish}) {
            ZunoSmiley1 localizer;
            localizer.setLanguage(language);
            QCOMPARE(localizer.GetDllLanguagesCount(), qint16(2));
            QCOMPARE(localizer.GetDllLanguageName(number), expected);
        }
    }

    void languageEnumerationIsPublished()
    {
        const QMetaObject& meta = ZunoSmiley1::staticMetaObject;
        const QMetaEnum languages = QMetaEnum::fromType<ZunoSmiley1::LanguageConstants>();
        QCOMPARE(languages.keyCount(), 2);
        QCOMPARE(languages.keyToValue("smFrench"), 1);
        QCOMPARE(languages.keyToValue("smEnglish"), 2);
        const int property = meta.indexOfProperty("Language");
        QVERIFY(property >= 0);
        QVERIFY(meta.property(property).isEnumType());
        QCOMPARE(Automation::progId(meta), QString("OrvakLocalizer.ZunoSmiley1"));
        QCOMPARE(meta.classInfo(meta.indexOfClassInfo("Interface")).value(), "_ZunoSmiley1");
        QCOMPARE(meta.classInfo(meta.indexOfClassInfo("Description")).value(),
                 "Orvak Zuno Smiley 1.x International DLL");
        // Creatable by its registered name.
        std::unique_ptr<QObject> created(
            Automation::create("orvaklocalizer.zunosmiley1", {&ZunoSmiley1::staticMetaObject}));
        QVERIFY(qobject_cast<ZunoSmiley1*>(created.get()));
    }

    void webAddresses_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("home");
        QTest::addColumn<QString>("products");
        QTest::addColumn<QString>("code");
        QTest::newRow("French") << 1 << "index.asp"
                                << "fr/products/index.asp"
                                << "Fr";
        QTest::newRow("English") << 2 << "index-e.asp"
                                 << "en/products/index.asp"
                                 << "En";
    }
    void webAddresses()
    {
        QFETCH(int, language);
        QFETCH(QString, home);
        QFETCH(QString, products);
        QFETCH(QString, code);
        ZunoSmiley1 localizer;
        localizer.setLanguage(Language(language));

        // Every address is one base, ending in the "orvak/" directory, plus a page.
        const QString homeAddress = localizer.WWWHome();
        QVERIFY2(homeAddress.endsWith("/orvak/" + home), qPrintable(homeAddress));
        const QString base = homeAddress.chopped(home.size());
        const QUrl baseUrl(base);
        QVERIFY(baseUrl.isValid());
        QVERIFY(baseUrl.scheme() == "https" || baseUrl.scheme() == "http");
        QVERIFY(!baseUrl.host().isEmpty());
        QCOMPARE(baseUrl.path(), QString("/orvak/"));
        QCOMPARE(localizer.WWWProducts(), base + products);

        const QString updates = localizer.WWWUpdates();
        QVERIFY(updates.startsWith(base + "scripts/version.asp?"));
        QVERIFY2(updates.endsWith("&Lang=" + code), qPrintable(updates));
        const QUrlQuery query(QUrl(updates).query());
        const QList<QPair<QString, QString>> expected = {
            {"Id", "ZunoSmileys"}, {"Version", "1.0.3"}, {"Revision", "1198"}, {"Lang", code}};
        QCOMPARE(query.queryItems(), expected);
    }

    void courtesy_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("organisation");
        QTest::addColumn<QString>("subject");
        QTest::addColumn<QString>("expected");
        QTest::newRow("French with subject") << 1 << "Orvak"
                                             << "Smileys"
                                             << "Avec la permission de Orvak (Smileys)";
        QTest::newRow("English with subject") << 2 << "Orvak"
                                              << "Smileys"
                                              << "By courtesy of Orvak (Smileys)";
        QTest::newRow("French without subject") << 1 << "Orvak"
                                                << ""
                                                << "Avec la permission de Orvak";
        QTest::newRow("French, all empty: prefix and its space") << 1 << ""
                                                                 << ""
                                                                 << "Avec la permission de ";
        QTest::newRow("English, all empty: prefix and its space") << 2 << ""
                                                                  << ""
                                                                  << "By courtesy of ";
        QTest::newRow("subject of one blank counts") << 2 << "Orvak"
                                                     << " "
                                                     << "By courtesy of Orvak ( )";
        QTest::newRow("empty organisation with subject") << 2 << ""
                                                         << "Smileys"
                                                         << "By courtesy of  (Smileys)";
        QTest::newRow("organisation neither trimmed nor changed")
            << 1 << "  Orvak & Cie %1 "
            << ""
            << "Avec la permission de   Orvak & Cie %1 ";
        QTest::newRow("subject with placeholders stays as given") << 2 << "%2"
                                                                  << "%1 (x)"
                                                                  << "By courtesy of %2 (%1 (x))";
        QTest::newRow("accents and other scripts kept")
            << 1 << "Société Générale"
            << "日本"
            << "Avec la permission de Société Générale (日本)";
    }
    void courtesy()
    {
        QFETCH(int, language);
        QFETCH(QString, organisation);
        QFETCH(QString, subject);
        QFETCH(QString, expected);
        ZunoSmiley1 localizer;
        localizer.setLanguage(Language(language));
        QCOMPARE(localizer.ID_INT_COURTESY(organisation, subject), expected);
        QCOMPARE(
            Automation::call(&localizer, "ID_INT_COURTESY", {organisation, subject}).toString(),
            expected);
    }

    void saveFailedReport_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QString>("file");
        QTest::addColumn<QString>("reason");
        QTest::addColumn<QString>("expected");
        QTest::newRow("French") << 1 << "/home/a/Smileys.smy"
                                << "Disque plein"
                                << "Le fichier « /home/a/Smileys.smy » n'a pas pu être "
                                   "enregistré : Disque plein";
        QTest::newRow("English") << 2 << "/home/a/Smileys.smy"
                                 << "No space left on device"
                                 << "The file \"/home/a/Smileys.smy\" could not be saved: No "
                                    "space left on device";
        QTest::newRow("placeholders in the arguments are not expanded again")
            << 2 << "/tmp/%2 and %1.smy"
            << "reason %1 %2 %3"
            << "The file \"/tmp/%2 and %1.smy\" could not be saved: reason %1 %2 %3";
        QTest::newRow("empty file name and reason") << 2 << ""
                                                    << ""
                                                    << "The file \"\" could not be saved: ";
    }
    void saveFailedReport()
    {
        QFETCH(int, language);
        QFETCH(QString, file);
        QFETCH(QString, reason);
        QFETCH(QString, expected);
        ZunoSmiley1 localizer;
        localizer.setLanguage(Language(language));
        QCOMPARE(localizer.ID_INT_SAVE_FAILED(file, reason), expected);
    }

    void notRegularReport()
    {
        ZunoSmiley1 localizer;
        QCOMPARE(localizer.ID_INT_NOT_REGULAR_KEPT("/a/%1.smy"),
                 "\"/a/%1.smy\" is not a regular file: it is left as it is, and your entries stay "
                 "in the window while it is open.");
        localizer.setLanguage(ZunoSmiley1::smFrench);
        QVERIFY(localizer.ID_INT_NOT_REGULAR_KEPT("/a/b.smy").startsWith("« /a/b.smy » n'est pas"));
        QVERIFY(localizer.ID_INT_LISTS_COPIED("/d/%1").endsWith("dans « /d/%1 »."));
        localizer.setLanguage(ZunoSmiley1::smEnglish);
        QVERIFY(localizer.ID_INT_LISTS_COPIED("/d/%1").endsWith("saved in \"/d/%1\"."));
        QCOMPARE(localizer.ID_INT_REFUSE_DUPLICATE(":-%1", "%2"),
                 "The list already has \":-%1\" (%2).");
    }

    // The lines of the command line's import report, with the nouns agreeing.
    void importReport_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QByteArray>("member");
        QTest::addColumn<QStringList>("arguments");
        QTest::addColumn<QString>("expected");
        const QString file = "/a/%2 b.smy";
        QTest::newRow("French counts, plural")
            << 1 << QByteArray("ID_INT_IMPORT_COUNTS") << QStringList{file, "3", "2"}
            << "« /a/%2 b.smy » : 3 entrées ajoutées, 2 déjà présentes";
        QTest::newRow("French counts, 0 and 1 singular")
            << 1 << QByteArray("ID_INT_IMPORT_COUNTS") << QStringList{file, "0", "1"}
            << "« /a/%2 b.smy » : 0 entrée ajoutée, 1 déjà présente";
        QTest::newRow("English counts, one entry")
            << 2 << QByteArray("ID_INT_IMPORT_COUNTS") << QStringList{file, "1", "0"}
            << "\"/a/%2 b.smy\": 1 entry added, 0 already there";
        QTest::newRow("English counts, none added")
            << 2 << QByteArray("ID_INT_IMPORT_COUNTS") << QStringList{file, "0", "7"}
            << "\"/a/%2 b.smy\": 0 entries added, 7 already there";
        QTest::newRow("French, unreadable")
            << 1 << QByteArray("ID_INT_IMPORT_UNREADABLE") << QStringList{file, "%1 raison"}
            << "Le fichier « /a/%2 b.smy » ne peut pas être lu : %1 raison";
        QTest::newRow("English, unreadable")
            << 2 << QByteArray("ID_INT_IMPORT_UNREADABLE") << QStringList{file, "it does not exist"}
            << "The file \"/a/%2 b.smy\" cannot be read: it does not exist";
        QTest::newRow("French, another type")
            << 1 << QByteArray("ID_INT_IMPORT_OTHER_TYPE") << QStringList{"x.txt"}
            << "« x.txt » n'est ni une liste de smileys ni une liste d'acronymes";
        QTest::newRow("English, another type")
            << 2 << QByteArray("ID_INT_IMPORT_OTHER_TYPE") << QStringList{"x.txt"}
            << "\"x.txt\" is not a smiley or acronym list";
    }
    void importReport()
    {
        QFETCH(int, language);
        QFETCH(QByteArray, member);
        QFETCH(QStringList, arguments);
        QFETCH(QString, expected);
        ZunoSmiley1 localizer;
        localizer.setLanguage(Language(language));
        QCOMPARE(Automation::call(&localizer, member, arguments).toString(), expected);
    }

    void spotChecks_data()
    {
        QTest::addColumn<QByteArray>("member");
        QTest::addColumn<QString>("french");
        QTest::addColumn<QString>("english");
        QTest::newRow("cancel button") << QByteArray("ID_BTN_CANCEL") << "&Annuler"
                                       << "&Cancel";
        QTest::newRow("ok button, lower-case k") << QByteArray("ID_BTN_OK") << "&Ok"
                                                 << "&Ok";
        QTest::newRow("copy") << QByteArray("ID_INT_COPY") << "Copier"
                              << "Copy to clipboard";
        QTest::newRow("about, capital P") << QByteArray("ID_INT_ABOUT") << "A Propos"
                                          << "About";
        QTest::newRow("field label") << QByteArray("ID_INT_ACRONYM") << "&Acronyme:"
                                     << "&Acronym:";
        QTest::newRow("first description") << QByteArray("ID_LST_TIRED") << "Fatigué"
                                           << "Tired";
        QTest::newRow("apostrophe") << QByteArray("ID_LST_WINK") << "Clin d'oeil"
                                    << "Wink";
        QTest::newRow("grave and diaeresis") << QByteArray("ID_LST_FATHER_CHRISTMAS") << "Père Nöel"
                                             << "Father Christmas";
        QTest::newRow("circumflex a") << QByteArray("ID_LST_MORF") << "Mâle ou femelle ?"
                                      << "Male or female";
        QTest::newRow("circumflex i")
            << QByteArray("ID_LST_DWISNWID") << "Faîtes ce que je dis et pas ce que je fais"
            << "Do what I say, not what I do";
        QTest::newRow("shared French text, I41") << QByteArray("ID_LST_I41") << "A mon avis"
                                                 << "I for one";
        QTest::newRow("shared French text, IMO") << QByteArray("ID_LST_IMO") << "A mon avis"
                                                 << "In my opinion";
        QTest::newRow("one text for both") << QByteArray("ID_LST_CLOWN") << "Clown"
                                           << "Clown";
        QTest::newRow("last description") << QByteArray("ID_LST_FEEL_COLD") << "Avoir froid"
                                          << "To feel cold";
        QTest::newRow("closing question")
            << QByteArray("ID_INT_SAVE_QUESTION")
            << "Vos entrées restent dans la fenêtre tant qu'elle est ouverte. Voulez-vous la "
               "fermer quand même ?"
            << "Your entries stay in the window while it is open. Do you want to close it anyway?";
        QTest::newRow("keep open") << QByteArray("ID_BTN_KEEP_OPEN") << "&Garder ouvert"
                                   << "&Keep open";
        QTest::newRow("close anyway") << QByteArray("ID_BTN_CLOSE_ANYWAY") << "&Fermer quand même"
                                      << "Close &anyway";
        QTest::newRow("recovered entries")
            << QByteArray("ID_INT_RECOVERED_QUESTION")
            << "Des entrées n'ont pas pu être enregistrées à la fin de la dernière session. Les "
               "ajouter à vos listes ?"
            << "Some entries could not be saved when the last session ended. Add them to your "
               "lists?";
        QTest::newRow("later") << QByteArray("ID_BTN_LATER") << "&Plus tard"
                               << "&Later";
        QTest::newRow("keywords") << QByteArray("ID_INT_KEYWORDS") << "&Mots-clés..."
                                  << "&Keywords...";
        QTest::newRow("a reason") << QByteArray("ID_INT_REASON_DISK_FULL") << "le disque est plein"
                                  << "the disk is full";
        QTest::newRow("a refusal") << QByteArray("ID_INT_REFUSE_SEPARATOR_END")
                                   << "Le texte ne peut pas finir par \", (guillemet, virgule)."
                                   << "The text cannot end with \", (quote, comma).";
    }
    void spotChecks()
    {
        QFETCH(QByteArray, member);
        QFETCH(QString, french);
        QFETCH(QString, english);
        ZunoSmiley1 localizer;
        QCOMPARE(text(localizer, member), english);
        localizer.setLanguage(ZunoSmiley1::smFrench);
        QCOMPARE(text(localizer, member), french);
    }

    // Every text answers in both languages, differs between them unless it is
    // one of the common texts, and is well formed.
    void everyTextAnswersInBothLanguages()
    {
        ZunoSmiley1 french;
        french.setLanguage(ZunoSmiley1::smFrench);
        ZunoSmiley1 english;
        QSet<QString> same;
        const auto members = textMembers();
        QVERIFY(members.size() > 140);
        for (const QByteArray& member : members) {
            const QString fr = text(french, member);
            const QString en = text(english, member);
            for (const QString& t : {fr, en}) {
                QVERIFY2(!t.isEmpty(), member.constData());
                QVERIFY2(t == t.trimmed(), member.constData());
                QVERIFY2(t.count(QLatin1Char('&')) <= 1, member.constData());
                // Accented letters are Latin-1 ones; a wrongly decoded source
                // would show up as replacement characters or "Ã" pairs.
                for (const QChar c : t)
                    QVERIFY2(c.unicode() <= 0xFF && c != QChar(0xC3), member.constData());
            }
            if (fr == en)
                same.insert(QString::fromLatin1(member));
        }
        QCOMPARE(same, CommonTextMembers);
    }

    void descriptionsAreDistinct_data()
    {
        QTest::addColumn<int>("language");
        QTest::addColumn<QStringList>("shared");
        QTest::newRow("French: only one text is shared") << 1 << QStringList{"A mon avis"};
        QTest::newRow("English: none shared") << 2 << QStringList();
    }
    void descriptionsAreDistinct()
    {
        QFETCH(int, language);
        QFETCH(QStringList, shared);
        ZunoSmiley1 localizer;
        localizer.setLanguage(Language(language));
        QSet<QString> seen;
        QStringList repeated;
        for (const QByteArray& member : textMembers()) {
            if (!member.startsWith("ID_LST_"))
                continue;
            const QString t = text(localizer, member);
            if (seen.contains(t))
                repeated << t;
            seen.insert(t);
        }
        QCOMPARE(repeated, shared);
    }

    void interfaceOrder_data()
    {
        QTest::addColumn<int>("position");
        QTest::addColumn<QString>("name");
        QTest::newRow("first") << 0 << "WWWHome";
        QTest::newRow("updates") << 2 << "WWWUpdates";
        QTest::newRow("language count") << 3 << "GetDllLanguagesCount";
        QTest::newRow("language name") << 4 << "GetDllLanguageName";
        QTest::newRow("language read") << 5 << "Language (read)";
        QTest::newRow("language write") << 6 << "Language (write)";
        QTest::newRow("first caption") << 7 << "ID_INT_COPY";
        QTest::newRow("courtesy") << 12 << "ID_INT_COURTESY";
        QTest::newRow("last caption") << 17 << "ID_INT_ACRONYM";
        QTest::newRow("first description") << 18 << "ID_LST_TIRED";
        QTest::newRow("last of the smileys") << 18 + 61 << "ID_LST_LIES";
        QTest::newRow("first of the acronyms") << 18 + 62 << "ID_LST_I41";
        QTest::newRow("last of the acronyms") << 18 + 128 << "ID_LST_YABA";
        QTest::newRow("last description") << 18 + 132 << "ID_LST_FEEL_COLD";
        QTest::newRow("ok button") << 151 << "ID_BTN_OK";
        QTest::newRow("end of the original interface") << 152 << "ID_BTN_CANCEL";
        QTest::newRow("save report") << 153 << "ID_INT_SAVE_FAILED";
        QTest::newRow("save question") << 154 << "ID_INT_SAVE_QUESTION";
        QTest::newRow("keep open") << 155 << "ID_BTN_KEEP_OPEN";
        QTest::newRow("close anyway") << 156 << "ID_BTN_CLOSE_ANYWAY";
        QTest::newRow("first reason") << 157 << "ID_INT_REASON_DISK_FULL";
        QTest::newRow("first refusal") << 163 << "ID_INT_REFUSE_SEPARATOR";
        QTest::newRow("not regular, kept") << 166 << "ID_INT_NOT_REGULAR_KEPT";
        QTest::newRow("too large") << 167 << "ID_INT_REASON_TOO_LARGE";
        QTest::newRow("entry too long") << 168 << "ID_INT_REFUSE_TOO_LONG";
        QTest::newRow("lists copied") << 169 << "ID_INT_LISTS_COPIED";
        QTest::newRow("import title") << 170 << "ID_INT_IMPORT_TITLE";
        QTest::newRow("import counts") << 171 << "ID_INT_IMPORT_COUNTS";
        QTest::newRow("too large to read") << 176 << "ID_INT_REASON_TOO_LARGE_TO_READ";
        QTest::newRow("copied") << 177 << "ID_INT_COPIED";
        QTest::newRow("duplicate") << 178 << "ID_INT_REFUSE_DUPLICATE";
        QTest::newRow("program icon's help") << 187 << "ID_INT_PROGRAM_ICON_HELP";
        QTest::newRow("paste notice") << 188 << "ID_INT_PASTE_NOTICE";
        QTest::newRow("size refusal") << 192 << "ID_INT_REASON_WOULD_BE_TOO_LARGE";
        QTest::newRow("import files") << 193 << "ID_INT_IMPORT_FILES";
        QTest::newRow("no match") << 194 << "ID_INT_NO_MATCH";
        QTest::newRow("favourite state") << 196 << "ID_INT_FAVOURITE_STATE";
        QTest::newRow("removed") << 197 << "ID_INT_REMOVED";
        QTest::newRow("undo") << 198 << "ID_BTN_UNDO";
        QTest::newRow("recovered question") << 199 << "ID_INT_RECOVERED_QUESTION";
        QTest::newRow("later") << 201 << "ID_BTN_LATER";
        QTest::newRow("undo changed elsewhere") << 202 << "ID_INT_UNDO_CHANGED_ELSEWHERE";
        QTest::newRow("keywords") << 203 << "ID_INT_KEYWORDS";
        QTest::newRow("last") << 207 << "ID_INT_REFUSE_TOO_MANY_KEYWORDS";
    }
    void interfaceOrder()
    {
        QFETCH(int, position);
        QFETCH(QString, name);
        const QStringList names = interfaceNames();
        QCOMPARE(names.size(), 208);
        QCOMPARE(names.at(position), name);
    }

    void descriptionsAreConsecutive()
    {
        const QStringList names = interfaceNames();
        QStringList descriptions;
        for (const QString& name : names) {
            if (name.startsWith("ID_LST_"))
                descriptions << name;
        }
        QCOMPARE(descriptions.size(), 133);
        QCOMPARE(names.mid(names.indexOf("ID_LST_TIRED"), 133), descriptions);
        QCOMPARE(QSet<QString>(names.cbegin(), names.cend()).size(), names.size());
    }
};

QTEST_GUILESS_MAIN(tst_ZunoSmiley1)
#include "tst_zunosmiley1.moc"
