#include "app/dialogs/MessageBox.h"

#include <QDialogButtonBox>
#include <QGridLayout>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>

#include <utility>

std::optional<MessageBox::Answer> MessageBox::s_nextAnswer;
QString MessageBox::s_lastText;
int MessageBox::s_askedCount = 0;
QString MessageBox::s_lastNotice;
MessageBox::Tone MessageBox::s_lastTone = MessageBox::Tone::Warning;
int MessageBox::s_noticeCount = 0;
QPointer<QMessageBox> MessageBox::s_open;

namespace {
// Set on a question that the program's end closed.
constexpr char EndedProperty[] = "zunoEnded";
} // namespace

MessageBox::Answer MessageBox::askKeepOpen(QWidget* parent, const QString& title,
                                           const QString& text, const QString& keepOpenText,
                                           const QString& closeAnywayText)
{
    return ask(parent, title, text, QMessageBox::Warning,
               {KeepOpen, keepOpenText, QMessageBox::RejectRole},
               {CloseAnyway, closeAnywayText, QMessageBox::DestructiveRole}, CloseAnyway);
}

MessageBox::Answer MessageBox::askAddLater(QWidget* parent, const QString& title,
                                           const QString& text, const QString& addText,
                                           const QString& laterText)
{
    return ask(parent, title, text, QMessageBox::Question, {Add, addText, QMessageBox::AcceptRole},
               {Later, laterText, QMessageBox::RejectRole}, Later);
}

bool MessageBox::endOpenQuestion()
{
    if (!s_open)
        return false;
    s_open->setProperty(EndedProperty, true);
    s_open->done(0);
    return true;
}

MessageBox::Answer MessageBox::ask(QWidget* parent, const QString& title, const QString& text,
                                   QMessageBox::Icon icon, const Button& first,
                                   const Button& second, Answer onEnd)
{
    s_lastText = text;
    ++s_askedCount;
    if (s_nextAnswer) {
        const Answer answer = *s_nextAnswer;
        s_nextAnswer.reset();
        return answer;
    }

    QMessageBox box(icon, title, text, QMessageBox::NoButton, parent);
    QPushButton* firstButton = box.addButton(first.text, first.role);
    QPushButton* secondButton = box.addButton(second.text, second.role);
    // The first button is the default; Escape and the close box answer the
    // button of the reject role.
    box.setDefaultButton(firstButton);
    box.setEscapeButton(first.role == QMessageBox::RejectRole ? firstButton : secondButton);
    const QPointer<QMessageBox> outer = std::exchange(s_open, &box);
    box.exec();
    s_open = outer;
    if (box.property(EndedProperty).toBool())
        return onEnd;
    if (box.clickedButton() == secondButton)
        return second.answer;
    return box.clickedButton() == firstButton || first.role == QMessageBox::RejectRole
               ? first.answer
               : second.answer;
}

void MessageBox::inform(QWidget* parent, const QString& title, const QString& text, Tone tone)
{
    s_lastNotice = text;
    s_lastTone = tone;
    ++s_noticeCount;
    const QStringList lines = text.split(QLatin1Char('\n'));
    const bool long_ = lines.size() > MaxShownLines;
    auto* box =
        new QMessageBox(tone == Tone::News ? QMessageBox::Information : QMessageBox::Warning, title,
                        long_ ? lines.first() : text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    if (auto* grid = qobject_cast<QGridLayout*>(box->layout()); long_ && grid) {
        auto* list = new QPlainTextEdit(lines.mid(1).join(QLatin1Char('\n')), box);
        list->setReadOnly(true);
        list->setLineWrapMode(QPlainTextEdit::NoWrap);
        list->setFixedHeight(list->fontMetrics().lineSpacing() * MaxShownLines +
                             2 * list->frameWidth() + 8);
        list->setMinimumWidth(list->fontMetrics().averageCharWidth() * 60);
        // Below the text, above the buttons.
        auto* buttons = box->findChild<QDialogButtonBox*>();
        int row = grid->rowCount(), column = 0, rows = 1, columns = grid->columnCount();
        if (buttons) {
            grid->getItemPosition(grid->indexOf(buttons), &row, &column, &rows, &columns);
            grid->removeWidget(buttons);
        }
        grid->addWidget(list, row, 0, 1, grid->columnCount());
        if (buttons)
            grid->addWidget(buttons, row + 1, column, rows, columns);
    }
    box->setWindowModality(Qt::NonModal);
    box->show();
}

QString MessageBox::lastNotice()
{
    return s_lastNotice;
}

MessageBox::Tone MessageBox::lastTone()
{
    return s_lastTone;
}

int MessageBox::noticeCount()
{
    return s_noticeCount;
}

void MessageBox::setNextAnswer(Answer answer)
{
    s_nextAnswer = answer;
}

QString MessageBox::lastText()
{
    return s_lastText;
}

int MessageBox::askedCount()
{
    return s_askedCount;
}

void MessageBox::reset()
{
    s_nextAnswer.reset();
    s_lastText.clear();
    s_askedCount = 0;
    s_lastNotice.clear();
    s_noticeCount = 0;
}
