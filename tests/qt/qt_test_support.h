#pragma once
// Driving the Qt backend in tests: waiting on the event loop, acting inside modal loops, and
// finding widgets by kind and text.

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTimer>
#include <chrono>
#include <functional>
#include <string>

namespace rlq::testing {

// Processes events until `done` holds or `bound` has passed; true when it holds.
inline bool PumpUntil(const std::function<bool()>& done,
                      std::chrono::milliseconds bound = std::chrono::seconds(10)) {
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > bound.count()) {
            return false;
        }
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    }
    return true;
}

inline void PumpFor(std::chrono::milliseconds time) {
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < time.count()) {
        QApplication::processEvents(QEventLoop::AllEvents, 10);
    }
}

// Runs `action` on the event loop once a modal widget is up (inside its loop), after `delay`.
inline void WhenModal(std::function<void(QWidget&)> action,
                      std::chrono::milliseconds delay = std::chrono::milliseconds(50)) {
    QTimer::singleShot(delay, [action = std::move(action), delay] {
        if (QWidget* modal = QApplication::activeModalWidget()) {
            action(*modal);
        } else {
            WhenModal(action, delay);
        }
    });
}

inline QString Q(const std::string& utf8) {
    return QString::fromStdString(utf8);
}

inline QPushButton* ButtonWithText(QWidget& parent, const QString& text) {
    for (QPushButton* button : parent.findChildren<QPushButton*>()) {
        if (button->text() == text) {
            return button;
        }
    }
    return nullptr;
}

inline QStringList LabelTexts(QWidget& parent) {
    QStringList texts;
    for (QLabel* label : parent.findChildren<QLabel*>()) {
        texts << label->text();
    }
    return texts;
}

}  // namespace rlq::testing
