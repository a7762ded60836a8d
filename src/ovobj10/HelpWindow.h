#pragma once

#include <QWidget>

class QTextBrowser;

// The library's help engine: one small window per thread that shows an HTML
// help file, or the built-in page on using help, in a QTextBrowser. It lives
// until the user closes it or a client says the help is no longer needed.
class HelpWindow : public QWidget
{
    Q_OBJECT

public:
    // The thread's help window, made when there is none.
    static HelpWindow* threadWindow();
    // Closes the thread's help window, if any.
    static void closeThreadWindow();

    void showFile(const QString& fileName);
    void showHelpOnHelp();

private:
    explicit HelpWindow(QWidget* parent = nullptr);
    void present();

    QTextBrowser* m_browser = nullptr;
};
