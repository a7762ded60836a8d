#include "ovobj10/CommonDialog.h"

#include "ovobj10/HelpWindow.h"

CommonDialog::CommonDialog(QObject* parent)
    : QObject(parent)
{
    setObjectName(QStringLiteral("CmDialog1"));
}

void CommonDialog::ShowHelp()
{
    switch (m_helpCommand) {
    case cdlHelpQuit:
        HelpWindow::closeThreadWindow();
        break;
    case cdlHelpHelpOnHelp:
        HelpWindow::threadWindow()->showHelpOnHelp();
        break;
    case cdlHelpContext:
    case cdlHelpPartialKey:
        if (!m_helpFile.isEmpty())
            HelpWindow::threadWindow()->showFile(m_helpFile);
        break;
    default:
        break;
    }
}
