#pragma once

#include <QString>

#include <optional>

#include <QMessageBox>
#include <QPointer>

class QWidget;

// The program's questions to the user, behind one seam: a test sets the
// next answer and reads the question back instead of facing a modal dialog.
class MessageBox
{
public:
    enum Answer { KeepOpen, CloseAnyway, Add, Later };

    // Asks whether to keep the window open after a failed save. The first
    // button (the default, and Escape) keeps it open, so nothing is lost by a
    // hasty key press.
    static Answer askKeepOpen(QWidget* parent, const QString& title, const QString& text,
                              const QString& keepOpenText, const QString& closeAnywayText);
    // Asks whether to add entries kept from an earlier session to the
    // lists now; the first button (the default) adds them, Escape keeps them for later.
    static Answer askAddLater(QWidget* parent, const QString& title, const QString& text,
                              const QString& addText, const QString& laterText);
    // The program is ending: a question open now is closed with the answer
    // that loses nothing (Close anyway, which keeps what was not saved for
    // the next start; Later). True when one was open.
    static bool endOpenQuestion();

    // Tells something without waiting for an answer: the window goes on. A
    // warning says that something went wrong; otherwise it is news.
    enum class Tone { Warning, News };
    static void inform(QWidget* parent, const QString& title, const QString& text,
                       Tone tone = Tone::Warning);
    // The text of the last report, its tone, and how many were made since the reset.
    static QString lastNotice();
    static Tone lastTone();
    // A notice of more lines than this shows its first line, then the others
    // in a scrolled box of that height, so that it fits any screen.
    static constexpr int MaxShownLines = 12;
    static int noticeCount();

    // The answer that the next question gets without being shown.
    static void setNextAnswer(Answer answer);
    // The text of the last question asked, shown or not.
    static QString lastText();
    // How many questions were asked since the last reset.
    static int askedCount();
    static void reset();

private:
    struct Button
    {
        Answer answer;
        QString text;
        QMessageBox::ButtonRole role;
    };
    // One question of two buttons; the first is the default.
    static Answer ask(QWidget* parent, const QString& title, const QString& text,
                      QMessageBox::Icon icon, const Button& first, const Button& second,
                      Answer onEnd);

    static std::optional<Answer> s_nextAnswer;
    static QString s_lastText;
    static int s_askedCount;
    static QString s_lastNotice;
    static Tone s_lastTone;
    static int s_noticeCount;
    // The question on screen, which the program's end closes.
    static QPointer<QMessageBox> s_open;
};
