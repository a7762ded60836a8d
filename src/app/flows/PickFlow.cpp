#include "app/flows/PickFlow.h"

#include "app/models/CatalogueFilter.h"
#include "app/widgets/CatalogueView.h"
#include "app/widgets/ListPage.h"
#include "desktop/typing/KeystrokeTyper.h"
#include "ovsmiley/ZunoSmiley1.h"

#include <QApplication>
#include <QClipboard>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTimer>
#include <QWidget>

#include <algorithm>
#include <utility>

namespace {

// How long a Wayland compositor is given to take the keyboard back from the
// hidden window.
constexpr int KeyboardBackMilliseconds = 500;

} // namespace

PickFlow::~PickFlow()
{
    // A session the desktop was still opening for a pick is closed.
    if (m_preparing)
        KeystrokeTyper::cancel();
}

PickFlow::PickFlow(QWidget* window, ZunoSmiley1& localizer)
    : QObject(window)
    , m_window(window)
    , m_localizer(localizer)
{
    m_giveUp = new QTimer(this);
    m_giveUp->setSingleShot(true);
    m_giveUp->setInterval(KeyboardBackMilliseconds);
    connect(m_giveUp, &QTimer::timeout, this, &PickFlow::typeEntry);
    m_window->installEventFilter(this);
    // On Wayland the compositor gives the keyboard back once the window is
    // gone; the application is then no longer the active one.
    connect(qGuiApp, &QGuiApplication::applicationStateChanged, this,
            [this](Qt::ApplicationState state) {
                if (m_waiting && m_typing.wayland && state != Qt::ApplicationActive)
                    typeEntry();
            });
}

void PickFlow::watch(ListPage* page)
{
    connect(page, &ListPage::filterAccepted, this,
            [this, page](const QString& text) { insert(page, text); });
    // After the page's own handler, which filters the list.
    connect(page->filterField(), &QLineEdit::textChanged, this, [this, page] {
        if (m_picking && m_page == page)
            choose(page, 0);
    });
    page->filterField()->installEventFilter(this);
    connect(page, &ListPage::filterClosed, this, [this, page] {
        // Closed another way than Enter or Escape (the language switch), the
        // pick is over with the window in front of the user.
        const bool endedHere = std::exchange(m_picking, false);
        static_cast<CatalogueFilter*>(page->sortedModel())->setPickMode(false);
        if (endedHere)
            showHeldBack();
    });
}

void PickFlow::start(const ActiveWindow& cameFrom, ListPage* page, const QString& terms)
{
    // Called up again while one of its own windows is in front, the window
    // remembered the first time stays the one to type into.
    const QWidget* own = cameFrom.isNull() ? nullptr : QWidget::find(WId(cameFrom.windowId()));
    if (!own || !m_picking)
        m_target = own ? ActiveWindow() : cameFrom;
    // Set before the window shows, so that notices held back stay so.
    m_picking = terms.isEmpty();
    // An entry still on its way from the last pick is typed no more: later,
    // it would land wherever the keyboard is by then. It waits on the
    // clipboard instead.
    if (m_waiting || m_preparing) {
        if (m_preparing || m_typing.ready)
            KeystrokeTyper::cancel();
        m_waiting = m_preparing = false;
        ++m_typingRound;
        m_giveUp->stop();
        if (QClipboard* clipboard = QGuiApplication::clipboard())
            clipboard->setText(m_typing.text);
    }
    m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
    // Each pick starts from the whole list: the favourites and the most used
    // entries first.
    page->filterField()->clear();
    static_cast<CatalogueFilter*>(page->sortedModel())->setPickMode(terms.isEmpty());
    page->openFilter(terms);
    m_page = page;
    if (m_picking) {
        holdBackNotices();
        choose(page, 0);
    } else {
        showHeldBack(); // a search: the window is up for the user to read
    }
    // Called up from a desktop shortcut, the window takes the keyboard as a
    // pager would give it: a window manager's focus-stealing guard, or an
    // activation stamped with an older time than the last focus change,
    // would otherwise leave the keys with the window the user came from.
    if (QGuiApplication::platformName() == QLatin1String("xcb"))
        QTimer::singleShot(0, this,
                           [this] { ActiveWindow::ofWindow(m_window->winId()).activate(); });
}

void PickFlow::insert(ListPage* page, const QString& text)
{
    if (!m_picking)
        return;
    m_picking = false;
    Q_EMIT entryPicked(page, text);
    // The next time the window is shown, it shows the whole list.
    page->closeFilter();
    // Out of the way, so that the window the user came from has the
    // keyboard again. A Wayland compositor may ignore a minimize request.
    const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    m_typing = {text, m_target, wayland, page};
    // The way to type is made ready while the window is in front, so that
    // a question of the desktop's comes and goes before the keyboard goes
    // back; nothing waits for it: the pick goes on when it is ready. Where
    // nothing can type, the entry goes to the clipboard at once.
    m_preparing = true;
    KeystrokeTyper::prepare(this, [this, round = ++m_typingRound](KeystrokeTyper::Outcome ready) {
        if (round != m_typingRound)
            return; // given up by a later pick
        m_preparing = false;
        m_waiting = true;
        m_typing.ready = ready != KeystrokeTyper::Outcome::NotOffered;
        if (!m_typing.ready) {
            typeEntry();
            return;
        }
        stepAside(m_typing.wayland);
        // The window's own requests are handled first; on Wayland the
        // keyboard comes back with the application's state, or the wait
        // gives up.
        QTimer::singleShot(0, this, [this, round = m_typingRound] {
            if (!m_waiting || round != m_typingRound)
                return;
            if (m_typing.wayland && QGuiApplication::applicationState() == Qt::ApplicationActive)
                m_giveUp->start();
            else
                typeEntry();
        });
    });
}

void PickFlow::typeEntry()
{
    if (!m_waiting)
        return;
    m_waiting = false;
    m_giveUp->stop();
    // Typed only where the window the user came from has the keyboard
    // again: on X11 the window is known and activated; on Wayland none of
    // the program's windows may have it. Otherwise nothing is typed: the
    // keys would go wherever the focus fell.
    const bool back =
        m_typing.ready &&
        (m_typing.wayland ? QGuiApplication::applicationState() != Qt::ApplicationActive
                          : !m_typing.target.isNull() && m_typing.target.activate());
    if (back && KeystrokeTyper::type(m_typing.text) == KeystrokeTyper::Outcome::Typed)
        return;
    if (m_typing.ready && !back)
        KeystrokeTyper::cancel();
    // Nothing could be typed there: the entry waits on the clipboard.
    if (QClipboard* clipboard = QGuiApplication::clipboard())
        clipboard->setText(m_typing.text);
    m_window->showNormal();
    m_window->raise();
    m_window->activateWindow();
    if (m_typing.page)
        m_typing.page->showNotice(m_localizer.ID_INT_PASTE_NOTICE());
}

void PickFlow::holdBackNotices()
{
    for (QWidget* shown : QApplication::topLevelWidgets())
        if (shown != m_window && shown->isVisible() && !shown->isModal() &&
            shown->windowType() == Qt::Dialog) {
            shown->hide();
            m_heldBack << shown;
        }
}

void PickFlow::showHeldBack()
{
    // A notice held back by a pick comes back only with the window up for
    // the user (restored, raised, or back to say an entry waits on the
    // clipboard), never while it is stepped aside: mapped then, the notice
    // would take the keys of the window the user is typing in.
    if (m_picking || !m_window->isVisible() || m_window->isMinimized())
        return;
    const QList<QPointer<QWidget>> held = std::exchange(m_heldBack, {});
    for (QWidget* notice : held)
        if (notice)
            notice->show();
}

void PickFlow::stepAside(bool wayland)
{
    if (wayland)
        m_window->hide();
    else
        m_window->showMinimized();
}

void PickFlow::choose(ListPage* page, int row)
{
    const QAbstractItemModel* shown = page->sortedModel();
    QItemSelectionModel* selection = page->view()->selectionModel();
    if (shown->rowCount() == 0) {
        selection->clear();
        return;
    }
    const QModelIndex index = shown->index(std::clamp(row, 0, shown->rowCount() - 1), 0);
    selection->setCurrentIndex(index,
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    page->view()->scrollTo(index);
}

void PickFlow::cancel(ListPage* page)
{
    m_picking = false;
    page->closeFilter();
    const bool wayland = QGuiApplication::platformName().startsWith(QLatin1String("wayland"));
    stepAside(wayland);
    // On X11 the window the user came from is asked for the keyboard, as
    // before typing; a compositor gives it back by itself.
    if (!wayland && !m_target.isNull())
        QTimer::singleShot(0, this, [target = m_target] { target.activate(); });
}

bool PickFlow::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == m_window &&
        (event->type() == QEvent::Show || event->type() == QEvent::WindowStateChange))
        showHeldBack();
    if (event->type() != QEvent::KeyPress || !m_picking || !m_page ||
        watched != m_page->filterField())
        return QObject::eventFilter(watched, event);
    ListPage* page = m_page;
    const int row = page->view()->selectionModel()->currentIndex().row();
    switch (static_cast<QKeyEvent*>(event)->key()) {
    case Qt::Key_Up:
        choose(page, row - 1);
        return true;
    case Qt::Key_Down:
        choose(page, row + 1);
        return true;
    case Qt::Key_Escape:
        cancel(page);
        return true;
    default:
        return QObject::eventFilter(watched, event);
    }
}
