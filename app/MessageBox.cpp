#include "MessageBox.h"

#include <QMessageBox>
#include <QPushButton>

std::optional<MessageBox::Answer> MessageBox::s_nextAnswer;
QString MessageBox::s_lastText;
int MessageBox::s_askedCount = 0;
QString MessageBox::s_lastNotice;
int MessageBox::s_noticeCount = 0;

MessageBox::Answer MessageBox::askKeepOpen(QWidget* parent, const QString& title,
                                           const QString& text, const QString& keepOpenText,
                                           const QString& closeAnywayText)
{
    s_lastText = text;
    ++s_askedCount;
    if (s_nextAnswer) {
        const Answer answer = *s_nextAnswer;
        s_nextAnswer.reset();
        return answer;
    }

    QMessageBox box(QMessageBox::Warning, title, text, QMessageBox::NoButton, parent);
    QPushButton* keep = box.addButton(keepOpenText, QMessageBox::RejectRole);
    box.addButton(closeAnywayText, QMessageBox::DestructiveRole);
    box.setDefaultButton(keep);
    box.setEscapeButton(keep);
    box.exec();
    return box.clickedButton() == keep || !box.clickedButton() ? KeepOpen : CloseAnyway;
}

void MessageBox::inform(QWidget* parent, const QString& title, const QString& text)
{
    s_lastNotice = text;
    ++s_noticeCount;
    auto* box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, parent);
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

QString MessageBox::lastNotice()
{
    return s_lastNotice;
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
