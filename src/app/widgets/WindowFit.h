#pragma once

#include "compat/Twips.h"

#include <QSize>

class QTabWidget;
class QWidget;

// The main window, drawn up in twips for a screen of ordinary size, made to
// fit a small one (a 1280x800 screen at a scale of 2): where the designed
// window and its frame are larger than the room the screen has for windows,
// every layout in twips is drawn smaller by one factor, so that the whole
// window shows, its lists and buttons in proportion.
class WindowFit
{
public:
    // Room for a window manager's frame and title around the window.
    static constexpr QSize FrameRoom{16, 48};

    // The factor (at most 1) that fits a window of designed pixels, with its
    // frame, into available.
    static qreal factor(const QSize& designed, const QSize& available);
    // Sets the layouts' fit for a window of these twips on the primary
    // screen and answers the twips to lay it out with.
    static Twips fitting(int widthTwips, int heightTwips);
    // Grows window and tabs, when the style draws a taller tab bar or pane
    // frame than the design allowed for, so that a page of pageHeight pixels
    // shows whole (the bottom of a list and its filter field are not cut).
    static void makeRoom(QWidget* window, QTabWidget* tabs, int pageHeight);
};
