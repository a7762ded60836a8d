#pragma once

#include <QtGlobal>

class QWidget;

// The list styles: extended style bits kept per list and only ever added.
// Qt's item views have no such bits, so the three that the program uses are
// rendered in the view's own way:
//   64   (one-click activation) one click activates an entry, and the entry
//        under the pointer is highlighted (with a hand pointer);
//   8    (track selection) an entry is selected when the pointer rests on it
//        for a moment;
//   2048 (underlined hot item) the entry under the pointer is underlined.
// Of the others, 1 draws grid lines, 16 lets the columns be reordered by
// dragging their headers and 32 selects whole rows; 4 and 128 are kept only.
namespace ModCommonCtrls {

enum ListViewExStyle : qint32 {
    LVS_EX_GRIDLINES = 1,
    LVS_EX_CHECKBOXES = 4,
    LVS_EX_TRACKSELECT = 8,
    LVS_EX_HEADERDRAGDROP = 16,
    LVS_EX_FULLROWSELECT = 32,
    LVS_EX_ONECLICKACTIVATE = 64,
    LVS_EX_TWOCLICKACTIVATE = 128,
    LVS_EX_UNDERLINEHOT = 2048,
};

// Adds one accepted style bit to a list; any other value, or a window that
// is not a list, leaves everything as it was.
void SetListViewExStyle(QWidget* hWnd, qint32 Style);

// The bits a list holds now (0 for anything that is not a list).
qint32 GetListViewExStyle(const QWidget* hWnd);

// How long the pointer rests on an entry before track selection selects it.
constexpr int TrackSelectDelayMs = 400;

} // namespace ModCommonCtrls
