// Start-up measurement: with the environment variable NUBRA_EXIT_WHEN_SHOWN
// set, the program prints the moment its main window was first painted and
// quits, so that a harness can time the start-up without a person at the
// screen. Error boxes met on the way (a start-up fetch that fails with no
// network) are answered at once, as if OK had been pressed immediately.
//
// What it prints on standard output, one line:
//   shown_ns=<steady clock in nanoseconds> boxes=<error boxes answered>
// The steady clock is CLOCK_MONOTONIC on Linux, shared by every process, so
// the harness subtracts the time it took just before starting the program.
//
// The benchmark's bare reference window uses this same probe, so both are
// measured the same way. Without the variable nothing is installed.
#pragma once

#include <QApplication>
#include <QEvent>
#include <QMessageBox>
#include <QWidget>

#include <chrono>
#include <cstdio>
#include <cstdlib>

namespace nubra {

class TShownProbe : public QObject {
public:
    // Installs the probe on the application when `always` or the variable
    // is set; call after the QApplication exists, before any window is made.
    static void InstallIfAsked(bool always = false) {
        if (always || std::getenv("NUBRA_EXIT_WHEN_SHOWN") != nullptr)
            qApp->installEventFilter(new TShownProbe(qApp));
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::Show) {
            if (auto* box = qobject_cast<QMessageBox*>(watched)) {
                ++boxes_;
                QMetaObject::invokeMethod(box, [box] { box->accept(); }, Qt::QueuedConnection);
            }
        } else if (event->type() == QEvent::Paint && !painted_) {
            auto* widget = qobject_cast<QWidget*>(watched);
            if (widget != nullptr && widget->isWindow() && qobject_cast<QMessageBox*>(widget) == nullptr) {
                painted_ = true;
                // Queued: it runs once the whole window has been painted and
                // handed to the platform, not when its first widget starts.
                QMetaObject::invokeMethod(
                    this,
                    [this] {
                        const auto now = std::chrono::steady_clock::now().time_since_epoch();
                        std::printf("shown_ns=%lld boxes=%d\n",
                                    static_cast<long long>(std::chrono::nanoseconds(now).count()), boxes_);
                        std::fflush(stdout);
                        QCoreApplication::quit();
                    },
                    Qt::QueuedConnection);
            }
        }
        return false;
    }

private:
    using QObject::QObject;
    int boxes_ = 0;
    bool painted_ = false;
};

} // namespace nubra
