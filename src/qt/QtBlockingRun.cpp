#include "qt/QtBlockingRun.h"

#include <QApplication>
#include <QEventLoop>
#include <QThread>
#include <atomic>
#include <memory>

namespace platform {

bool RunKeepingWindowAlive(const std::function<bool()>& task) {
    std::atomic<bool> result{false};
    QEventLoop loop;
    std::unique_ptr<QThread> worker(QThread::create([&] { result = task(); }));
    // Queued to this thread: a task that ends before the loop starts still quits it.
    QObject::connect(worker.get(), &QThread::finished, &loop, &QEventLoop::quit, Qt::QueuedConnection);
    QApplication::setOverrideCursor(Qt::WaitCursor);
    worker->start();
    loop.exec(QEventLoop::ExcludeUserInputEvents);
    worker->wait();
    QApplication::restoreOverrideCursor();
    return result;
}

}  // namespace platform
