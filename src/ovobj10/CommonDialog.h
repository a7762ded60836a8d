#pragma once

#include <QObject>
#include <QString>

// The confirmation form's invisible common dialog control, CmDialog1, as the
// help methods use it: a help file, a help command and ShowHelp, which hands
// the command to the library's help window.
class CommonDialog : public QObject
{
    Q_OBJECT

public:
    // The help commands, numbered as the help engine numbers them.
    enum HelpCommand : int {
        cdlHelpContext = 1,
        cdlHelpQuit = 2,
        cdlHelpHelpOnHelp = 4,
        cdlHelpPartialKey = 0x105,
    };

    explicit CommonDialog(QObject* parent = nullptr);

    QString helpFile() const { return m_helpFile; }
    void setHelpFile(const QString& file) { m_helpFile = file; }
    int helpCommand() const { return m_helpCommand; }
    void setHelpCommand(int command) { m_helpCommand = command; }

    // Carries out the help command on the help file: Context and PartialKey
    // show the file, HelpOnHelp the page on using help, Quit closes the window.
    // An unknown command or a missing file name does nothing.
    void ShowHelp();

private:
    QString m_helpFile;
    int m_helpCommand = 0;
};
