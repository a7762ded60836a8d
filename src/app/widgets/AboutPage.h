#pragma once

#include <QWidget>

class QComboBox;
class QLabel;
class ZunoSmiley1;

// The About page: the program's icon, name, version, logo, legal notice and
// courtesy line, and the box that chooses the interface language.
class AboutPage : public QWidget
{
    Q_OBJECT
public:
    explicit AboutPage(QWidget* parent = nullptr);

    // Lists the localizer's languages and shows the one of this code; false
    // when the code is not among them.
    bool fillLanguages(ZunoSmiley1& localizer, qint16 current);
    // The code of the language shown in the box; 0 when it shows none.
    qint16 chosenLanguage() const;

    void showLegalNotice();
    // The logo appears; it is drawn when the page is first shown.
    void showLogo();
    void retranslate(ZunoSmiley1& localizer);

Q_SIGNALS:
    // The user chose a language in the box.
    void languageChosen();

protected:
    void showEvent(QShowEvent* event) override;

private:
    void renderLogo();

    QComboBox* m_language = nullptr;
    QLabel* m_icon = nullptr;
    QLabel* m_logo = nullptr;
    QLabel* m_description = nullptr;
    QLabel* m_courtesy = nullptr;
    bool m_logoWanted = false;
};
