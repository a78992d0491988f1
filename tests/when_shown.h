// Answering a modal window from a test: the window's own loop blocks the test
// until it closes, so the answer comes from a timer that waits for it.
#pragma once

#include <gtest/gtest.h>

#include <QApplication>
#include <QTimer>
#include <functional>

// Runs `act` on the next modal window of type W as soon as it shows. A window
// that stays open after that is closed, failing the test instead of hanging it.
template <class W>
void WhenShown(std::function<void(W*)> act) {
    auto* timer = new QTimer;
    QObject::connect(timer, &QTimer::timeout, [timer, act] {
        if (auto* w = qobject_cast<W*>(QApplication::activeModalWidget())) {
            timer->stop();
            timer->deleteLater();
            act(w);
            QTimer::singleShot(3000, w, [w] {
                if (!w->isVisible()) return;
                ADD_FAILURE() << "the window did not close";
                w->reject();
            });
        }
    });
    timer->start(10);
}
