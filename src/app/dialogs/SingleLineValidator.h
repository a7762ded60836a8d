#pragma once

#include <QValidator>

// Keeps a text box to one line. A paste may bring line breaks into a Qt text
// box; an entry holding one would break its line of the list file and come
// back as two damaged entries. Each line break (CR LF, CR or LF) becomes one
// space, so the box shows what will be stored and nothing typed is dropped.
class SingleLineValidator : public QValidator
{
    Q_OBJECT
public:
    using QValidator::QValidator;

    State validate(QString& input, int& pos) const override;
    void fixup(QString& input) const override;

    static QString joined(const QString& text);
};
