#pragma once

#include <QTreeView>

#include <functional>

class QMimeData;

// A catalogue list in report style: two columns, whole rows selected one at
// a time, rows of one height so that long lists scroll smoothly. Drags carry
// what the drag source answers, with copy as the only effect; without data
// no drag starts.
class CatalogueView : public QTreeView
{
    Q_OBJECT
public:
    explicit CatalogueView(QWidget* parent = nullptr);

    using DragSource = std::function<QMimeData*(Qt::DropActions* allowedEffects)>;
    void setDragSource(DragSource source) { m_dragSource = std::move(source); }

    // The source row of the selected entry, or -1.
    int selectedSourceRow() const;

Q_SIGNALS:
    // A drag carried this text to a target that took it.
    void draggedOut(const QString& text);

protected:
    // A click on empty space leaves no entry selected.
    void mousePressEvent(QMouseEvent* event) override;
    // Reached by Tab, the list selects the row it is on.
    void focusInEvent(QFocusEvent* event) override;
    void startDrag(Qt::DropActions supportedActions) override;
    // A row's picture may be two icons wide: the face and the favourite's
    // star beside it (AppIcons::withMarkPlace). A one-icon picture keeps
    // its own size.
    void initViewItemOption(QStyleOptionViewItem* option) const override;

private:
    DragSource m_dragSource;
};
