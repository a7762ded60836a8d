#pragma once

#include <QApplication>
#include <QPointer>
#include <QScopeGuard>
#include <QTest>
#include <QTimer>
#include <QWidget>

#include <functional>

// Runs `action` on the next modal window as soon as it is up, so that a test
// drives it the way a user does while the call under test waits for it. When
// a check inside `action` fails, the window is closed, so that the call
// returns and the test ends instead of waiting for CTest's time-out.
inline void whenModalShown(std::function<void(QWidget*)> action)
{
    auto* timer = new QTimer;
    timer->setInterval(5);
    QObject::connect(timer, &QTimer::timeout, [timer, action] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || !modal->isVisible())
            return;
        timer->stop();
        timer->deleteLater();
        const auto closeOnFailure = qScopeGuard([window = QPointer<QWidget>(modal)] {
            if (QTest::currentTestFailed() && window && window->isVisible())
                window->close();
        });
        action(modal);
    });
    timer->start();
}
