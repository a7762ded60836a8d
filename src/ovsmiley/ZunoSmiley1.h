#pragma once

#include "ovsmiley_export.h"

#include <QObject>
#include <QString>

// The localizer: answers every text of the catalogue (captions, buttons,
// built-in descriptions) in its current language, French or English, with the
// language list and the addresses of the maker's web pages.
//
// Its members are its interface, in this order; clients that bind by name or by
// position rely on it, so new members only ever go at the end. No member
// raises an error. Instances share nothing: each keeps its own language.
class OVSMILEY_EXPORT ZunoSmiley1 : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("ProgID", "OrvakLocalizer.ZunoSmiley1")
    Q_CLASSINFO("Interface", "_ZunoSmiley1")
    Q_CLASSINFO("Description", "Orvak Zuno Smiley 1.x International DLL")
    // Fixed identifiers, chosen once: clients bind to them, so they never change.
    Q_CLASSINFO("ClassID", "{F50A8127-E574-47AF-8E14-A3EC16A8E809}")
    Q_CLASSINFO("InterfaceID", "{5180D033-EE24-4D7A-89A7-8FB05B6BA532}")
    Q_CLASSINFO("TypeLibraryID", "{BCA2D4A0-A3CA-4769-81A8-F38F56233379}")
    Q_PROPERTY(LanguageConstants Language READ Language WRITE setLanguage)

public:
    // A language code is also the 1-based position of the language in the
    // language list. The fixed 32-bit base keeps any number a client passes a
    // valid value of the type, so that out-of-range codes have a defined result.
    enum LanguageConstants : qint32 { smFrench = 1, smEnglish = 2 };
    Q_ENUM(LanguageConstants)

    // Starts in English.
    Q_INVOKABLE explicit ZunoSmiley1(QObject* parent = nullptr);

    // Web pages of the maker, in the current language.
    Q_INVOKABLE QString WWWHome() const;
    Q_INVOKABLE QString WWWProducts() const;
    Q_INVOKABLE QString WWWUpdates() const;

    // The language list: names of 1 up to the count, each bilingual.
    Q_INVOKABLE qint16 GetDllLanguagesCount() const;
    Q_INVOKABLE QString GetDllLanguageName(qint32 intNum) const;

    // French for exactly smFrench; every other value selects English.
    Q_INVOKABLE LanguageConstants Language() const;
    Q_INVOKABLE void setLanguage(LanguageConstants value);

    // Window captions and labels. A "&" marks the keyboard access key.
    Q_INVOKABLE QString ID_INT_COPY() const;
    Q_INVOKABLE QString ID_INT_NEW() const;
    Q_INVOKABLE QString ID_INT_EDIT() const;
    Q_INVOKABLE QString ID_INT_DELETE() const;
    Q_INVOKABLE QString ID_INT_ABOUT() const;
    Q_INVOKABLE QString ID_INT_COURTESY(const QString& Organisation, const QString& Subject) const;
    Q_INVOKABLE QString ID_INT_SMILEYS() const;
    Q_INVOKABLE QString ID_INT_SMILEY() const;
    Q_INVOKABLE QString ID_INT_DESCRIPTION() const;
    Q_INVOKABLE QString ID_INT_ACRONYMS() const;
    Q_INVOKABLE QString ID_INT_ACRONYM() const;

    // Descriptions of the built-in smileys and acronyms.
    Q_INVOKABLE QString ID_LST_TIRED() const;
    Q_INVOKABLE QString ID_LST_WINK() const;
    Q_INVOKABLE QString ID_LST_SAD() const;
    Q_INVOKABLE QString ID_LST_GRIN() const;
    Q_INVOKABLE QString ID_LST_2I8() const;
    Q_INVOKABLE QString ID_LST_HAPPY() const;
    Q_INVOKABLE QString ID_LST_DIABOLIC() const;
    Q_INVOKABLE QString ID_LST_CANNIBAL() const;
    Q_INVOKABLE QString ID_LST_SUN_GLASSES() const;
    Q_INVOKABLE QString ID_LST_TEACHER() const;
    Q_INVOKABLE QString ID_LST_DEAR() const;
    Q_INVOKABLE QString ID_LST_ASLEEP() const;
    Q_INVOKABLE QString ID_LST_CHINESE() const;
    Q_INVOKABLE QString ID_LST_COW() const;
    Q_INVOKABLE QString ID_LST_FROG() const;
    Q_INVOKABLE QString ID_LST_SMOKER() const;
    Q_INVOKABLE QString ID_LST_VERY_HAPPY() const;
    Q_INVOKABLE QString ID_LST_LAUGH_TEARS() const;
    Q_INVOKABLE QString ID_LST_KISS() const;
    Q_INVOKABLE QString ID_LST_MOUSTACHE() const;
    Q_INVOKABLE QString ID_LST_LOSS_VOICE() const;
    Q_INVOKABLE QString ID_LST_KISS_YOU() const;
    Q_INVOKABLE QString ID_LST_CRY() const;
    Q_INVOKABLE QString ID_LST_VERY_SAD() const;
    Q_INVOKABLE QString ID_LST_ANGRY() const;
    Q_INVOKABLE QString ID_LST_LOL() const;
    Q_INVOKABLE QString ID_LST_BIG_KISS() const;
    Q_INVOKABLE QString ID_LST_CYCLOPS() const;
    Q_INVOKABLE QString ID_LST_LITTLE_GIRL() const;
    Q_INVOKABLE QString ID_LST_CLOWN() const;
    Q_INVOKABLE QString ID_LST_DOG() const;
    Q_INVOKABLE QString ID_LST_LEFT_HANDED() const;
    Q_INVOKABLE QString ID_LST_FATHER_CHRISTMAS() const;
    Q_INVOKABLE QString ID_LST_BEWARE_DOG() const;
    Q_INVOKABLE QString ID_LST_BLACK_EYE() const;
    Q_INVOKABLE QString ID_LST_PRIEST() const;
    Q_INVOKABLE QString ID_LST_PUNK() const;
    Q_INVOKABLE QString ID_LST_MAGICIAN() const;
    Q_INVOKABLE QString ID_LST_MOUTH_FULL() const;
    Q_INVOKABLE QString ID_LST_SARCASTIC() const;
    Q_INVOKABLE QString ID_LST_MICKEY() const;
    Q_INVOKABLE QString ID_LST_WHISTLE_GIRL() const;
    Q_INVOKABLE QString ID_LST_BIG_SURPRISE() const;
    Q_INVOKABLE QString ID_LST_SLAVER() const;
    Q_INVOKABLE QString ID_LST_UNDECEIVED() const;
    Q_INVOKABLE QString ID_LST_SMOKE_PIPE() const;
    Q_INVOKABLE QString ID_LST_LIPSTICK() const;
    Q_INVOKABLE QString ID_LST_LICK_CHOP() const;
    Q_INVOKABLE QString ID_LST_HELP() const;
    Q_INVOKABLE QString ID_LST_VAMPIRE() const;
    Q_INVOKABLE QString ID_LST_MOUSE() const;
    Q_INVOKABLE QString ID_LST_WEAR_GLASSES() const;
    Q_INVOKABLE QString ID_LST_INDIFFERENT() const;
    Q_INVOKABLE QString ID_LST_SPITEFUL() const;
    Q_INVOKABLE QString ID_LST_PIG() const;
    Q_INVOKABLE QString ID_LST_ROBOT() const;
    Q_INVOKABLE QString ID_LST_LONG_NOSE() const;
    Q_INVOKABLE QString ID_LST_LITTLE_NOSE() const;
    Q_INVOKABLE QString ID_LST_ORANG_OUTANG() const;
    Q_INVOKABLE QString ID_LST_ROBOCOP() const;
    Q_INVOKABLE QString ID_LST_HOLY() const;
    Q_INVOKABLE QString ID_LST_LIES() const;
    Q_INVOKABLE QString ID_LST_I41() const;
    Q_INVOKABLE QString ID_LST_4ME() const;
    Q_INVOKABLE QString ID_LST_AFAIK() const;
    Q_INVOKABLE QString ID_LST_AIUI() const;
    Q_INVOKABLE QString ID_LST_AKA() const;
    Q_INVOKABLE QString ID_LST_ASAP() const;
    Q_INVOKABLE QString ID_LST_B4() const;
    Q_INVOKABLE QString ID_LST_BBL() const;
    Q_INVOKABLE QString ID_LST_BCNU() const;
    Q_INVOKABLE QString ID_LST_BION() const;
    Q_INVOKABLE QString ID_LST_BTW() const;
    Q_INVOKABLE QString ID_LST_BRB() const;
    Q_INVOKABLE QString ID_LST_CUL() const;
    Q_INVOKABLE QString ID_LST_DWISNWID() const;
    Q_INVOKABLE QString ID_LST_EOF() const;
    Q_INVOKABLE QString ID_LST_F2F() const;
    Q_INVOKABLE QString ID_LST_FAQ() const;
    Q_INVOKABLE QString ID_LST_FOAF() const;
    Q_INVOKABLE QString ID_LST_GA() const;
    Q_INVOKABLE QString ID_LST_GDR() const;
    Q_INVOKABLE QString ID_LST_GIGO() const;
    Q_INVOKABLE QString ID_LST_IC() const;
    Q_INVOKABLE QString ID_LST_IME() const;
    Q_INVOKABLE QString ID_LST_IMHO() const;
    Q_INVOKABLE QString ID_LST_IMNSHO() const;
    Q_INVOKABLE QString ID_LST_IMO() const;
    Q_INVOKABLE QString ID_LST_IOW() const;
    Q_INVOKABLE QString ID_LST_IRL() const;
    Q_INVOKABLE QString ID_LST_ISTM() const;
    Q_INVOKABLE QString ID_LST_ITRO() const;
    Q_INVOKABLE QString ID_LST_ITRW() const;
    Q_INVOKABLE QString ID_LST_IWBNI() const;
    Q_INVOKABLE QString ID_LST_IYSWIM() const;
    Q_INVOKABLE QString ID_LST_JAM() const;
    Q_INVOKABLE QString ID_LST_L8R() const;
    Q_INVOKABLE QString ID_LST_MOMPL() const;
    Q_INVOKABLE QString ID_LST_MORF() const;
    Q_INVOKABLE QString ID_LST_MOTOS() const;
    Q_INVOKABLE QString ID_LST_MUD() const;
    Q_INVOKABLE QString ID_LST_MUG() const;
    Q_INVOKABLE QString ID_LST_NRN() const;
    Q_INVOKABLE QString ID_LST_OBTW() const;
    Q_INVOKABLE QString ID_LST_OMG() const;
    Q_INVOKABLE QString ID_LST_OIC() const;
    Q_INVOKABLE QString ID_LST_OHDH() const;
    Q_INVOKABLE QString ID_LST_OTOH() const;
    Q_INVOKABLE QString ID_LST_PD() const;
    Q_INVOKABLE QString ID_LST_PTMM() const;
    Q_INVOKABLE QString ID_LST_RFD() const;
    Q_INVOKABLE QString ID_LST_RL() const;
    Q_INVOKABLE QString ID_LST_ROFL() const;
    Q_INVOKABLE QString ID_LST_RSN() const;
    Q_INVOKABLE QString ID_LST_RTFAQ() const;
    Q_INVOKABLE QString ID_LST_RTFM() const;
    Q_INVOKABLE QString ID_LST_RUOK() const;
    Q_INVOKABLE QString ID_LST_SITD() const;
    Q_INVOKABLE QString ID_LST_SNR() const;
    Q_INVOKABLE QString ID_LST_SO() const;
    Q_INVOKABLE QString ID_LST_TCB() const;
    Q_INVOKABLE QString ID_LST_TIA() const;
    Q_INVOKABLE QString ID_LST_TNX() const;
    Q_INVOKABLE QString ID_LST_TTYL() const;
    Q_INVOKABLE QString ID_LST_TVM() const;
    Q_INVOKABLE QString ID_LST_VC() const;
    Q_INVOKABLE QString ID_LST_VL() const;
    Q_INVOKABLE QString ID_LST_WYSIWYG() const;
    Q_INVOKABLE QString ID_LST_YABA() const;
    Q_INVOKABLE QString ID_LST_DRUNKEN() const;
    Q_INVOKABLE QString ID_LST_SCEPTIC() const;
    Q_INVOKABLE QString ID_LST_FYI() const;
    Q_INVOKABLE QString ID_LST_FEEL_COLD() const;

    // Dialog buttons.
    Q_INVOKABLE QString ID_BTN_OK() const;
    Q_INVOKABLE QString ID_BTN_CANCEL() const;

    // Added after the original interface, so that its order stays: the report
    // of a list file that could not be saved when the window closes.
    Q_INVOKABLE QString ID_INT_SAVE_FAILED(const QString& lpFilename,
                                           const QString& lpReason) const;
    Q_INVOKABLE QString ID_INT_SAVE_QUESTION() const;
    Q_INVOKABLE QString ID_BTN_KEEP_OPEN() const;
    Q_INVOKABLE QString ID_BTN_CLOSE_ANYWAY() const;

    // Added next: why a file could not be saved, to go into the report
    // above; what the entry dialog says of a text that the list file could
    // not carry; and the report of a list or settings file that is no
    // regular file, which is left as it is.
    Q_INVOKABLE QString ID_INT_REASON_DISK_FULL() const;
    Q_INVOKABLE QString ID_INT_REASON_NO_PERMISSION() const;
    Q_INVOKABLE QString ID_INT_REASON_READ_ONLY() const;
    Q_INVOKABLE QString ID_INT_REASON_NOT_REGULAR() const;
    Q_INVOKABLE QString ID_INT_REASON_BUSY() const;
    Q_INVOKABLE QString ID_INT_REASON_OTHER() const;
    Q_INVOKABLE QString ID_INT_REFUSE_SEPARATOR() const;
    Q_INVOKABLE QString ID_INT_REFUSE_SEPARATOR_END() const;
    Q_INVOKABLE QString ID_INT_REFUSE_BROKEN_CHARACTER() const;
    Q_INVOKABLE QString ID_INT_NOT_REGULAR_KEPT(const QString& lpFilename) const;

    // Added next: why a list file too large to be read whole is not saved,
    // and what the entry dialog says of an entry too long for the file.
    Q_INVOKABLE QString ID_INT_REASON_TOO_LARGE() const;
    Q_INVOKABLE QString ID_INT_REFUSE_TOO_LONG() const;

    // Added next, for the catalogue program: where the user's lists live once
    // the program's folder cannot take them.
    Q_INVOKABLE QString ID_INT_LISTS_COPIED(const QString& lpFolder) const;

    // Added next: the report of the list files given on the command line,
    // shown once their entries are in: its title, a line per file (the
    // entries added and those the list already had; a file that could not
    // be read, and why; a file of another type), and the reasons a file could
    // not be read beside ID_INT_REASON_NOT_REGULAR. The counts are shown as
    // given, the noun agreeing with them.
    Q_INVOKABLE QString ID_INT_IMPORT_TITLE() const;
    Q_INVOKABLE QString ID_INT_IMPORT_COUNTS(const QString& lpFilename, qint32 lngAdded,
                                             qint32 lngPresent) const;
    Q_INVOKABLE QString ID_INT_IMPORT_UNREADABLE(const QString& lpFilename,
                                                 const QString& lpReason) const;
    Q_INVOKABLE QString ID_INT_IMPORT_OTHER_TYPE(const QString& lpFilename) const;
    Q_INVOKABLE QString ID_INT_REASON_MISSING() const;
    Q_INVOKABLE QString ID_INT_REASON_UNREADABLE() const;
    Q_INVOKABLE QString ID_INT_REASON_TOO_LARGE_TO_READ() const;

    // Added next, for the catalogue program: the notice after a copy; what the entry dialog says of
    // a text the list has already; the filter field; the names and descriptions that screen readers
    // give the lists, the filter, the logo and the program icon.
    Q_INVOKABLE QString ID_INT_COPIED() const;
    Q_INVOKABLE QString ID_INT_REFUSE_DUPLICATE(const QString& lpText,
                                                const QString& lpDescription) const;
    Q_INVOKABLE QString ID_INT_FILTER() const;
    Q_INVOKABLE QString ID_INT_FILTER_HELP() const;
    Q_INVOKABLE QString ID_INT_SMILEY_LIST() const;
    Q_INVOKABLE QString ID_INT_ACRONYM_LIST() const;
    Q_INVOKABLE QString ID_INT_LIST_HELP() const;
    Q_INVOKABLE QString ID_INT_LOGO() const;
    Q_INVOKABLE QString ID_INT_LOGO_HELP() const;
    Q_INVOKABLE QString ID_INT_PROGRAM_ICON() const;
    Q_INVOKABLE QString ID_INT_PROGRAM_ICON_HELP() const;

    // Added next, for the catalogue program: the notice when an entry chosen
    // to be typed into another window could not be typed there and waits on
    // the clipboard instead.
    Q_INVOKABLE QString ID_INT_PASTE_NOTICE() const;

    // Added next, for the catalogue program: why a list or settings file
    // could not be saved when its lock's name is taken by something that is
    // no lock of the program, when it is another user's link in a shared
    // folder or a link to nothing, and when a change would make it larger
    // than the window reads.
    Q_INVOKABLE QString ID_INT_REASON_LOCK_TAKEN() const;
    Q_INVOKABLE QString ID_INT_REASON_FOREIGN_LINK() const;
    Q_INVOKABLE QString ID_INT_REASON_DANGLING_LINK() const;
    Q_INVOKABLE QString ID_INT_REASON_WOULD_BE_TOO_LARGE() const;
    // The summary line of an import report too long to show whole: how many
    // files it tells of (a list of them follows).
    Q_INVOKABLE QString ID_INT_IMPORT_FILES(qint32 lngFiles) const;

    // Added next, for the catalogue program's favourites and ranked filter:
    // the line a filter that matches nothing shows, the context menu's
    // command that marks or unmarks a favourite, and a favourite's state as
    // screen readers say it.
    Q_INVOKABLE QString ID_INT_NO_MATCH() const;
    Q_INVOKABLE QString ID_INT_FAVOURITE() const;
    Q_INVOKABLE QString ID_INT_FAVOURITE_STATE() const;

    // Added next, for undoing a change of the lists: the notice after a
    // Remove, with the removed entry's text, and its button.
    Q_INVOKABLE QString ID_INT_REMOVED(const QString& lpText) const;
    Q_INVOKABLE QString ID_BTN_UNDO() const;

    // Added next, for the entries kept when a session ended before their
    // list could be saved: the question of the next start, and its buttons.
    Q_INVOKABLE QString ID_INT_RECOVERED_QUESTION() const;
    Q_INVOKABLE QString ID_BTN_ADD_RECOVERED() const;
    Q_INVOKABLE QString ID_BTN_LATER() const;

    // Added next, for an undo that would overwrite a change made elsewhere:
    // the entry (its text) was changed since, that version is kept and
    // nothing was undone.
    Q_INVOKABLE QString ID_INT_UNDO_CHANGED_ELSEWHERE(const QString& lpText) const;
    // Added next, for the user's own keywords of an entry: the context
    // menu's command, the dialog's title (with the entry's text) and the
    // label of its line, and why it refuses a keyword longer than the
    // length given or more keywords than the count given.
    Q_INVOKABLE QString ID_INT_KEYWORDS() const;
    Q_INVOKABLE QString ID_INT_KEYWORDS_OF(const QString& lpText) const;
    Q_INVOKABLE QString ID_INT_KEYWORDS_LABEL() const;
    Q_INVOKABLE QString ID_INT_REFUSE_KEYWORD_TOO_LONG(qint32 lngLength) const;
    Q_INVOKABLE QString ID_INT_REFUSE_TOO_MANY_KEYWORDS(qint32 lngCount) const;

private:
    // The text of the current language; empty for a language without texts.
    QString localized(const QString& french, const QString& english) const;

    LanguageConstants m_language = smEnglish;
};
