#pragma once

#include <QByteArray>
#include <QHash>
#include <QIcon>
#include <QPixmap>
#include <QString>

// The program's pictures: SVG assets in the program's resources, and the ones
// the window shows at every start also drawn at build time.
// Button pictures come from the desktop's icon theme where it has them.
class AppIcons
{
public:
    // The program icon (index 0 of the program's icons).
    static QIcon program();
    // The document icons of the list files: 1 smileys, 2 acronyms.
    static QIcon document(int index);
    // The SVG of icon index 0 (the program), 1 or 2, as the desktop's icon
    // theme takes it.
    static QByteArray svgData(int index);
    // The small list icons by key: "Smiley", "Acronym", "Smiley2", "Acronym2".
    // A selected row shows them in their own colours, never tinted.
    static QHash<QString, QIcon> listIcons();
    // A list icon twice as wide, for a list with favourites: the face as it
    // is, and right of it the favourite's star, or an empty place where the
    // row is no favourite, so that the rows' texts line up. The star has a
    // dark edge and a light fill, to stand out on a light or a dark base.
    static QIcon withMarkPlace(const QIcon& face, bool favourite);
    // "edit-copy", "list-add", "document-edit", "list-remove".
    static QIcon button(const QString& themeName);
    // The 136 x 36 logo of the About page at the given device pixel ratio.
    static QPixmap logo(qreal devicePixelRatio);
};
