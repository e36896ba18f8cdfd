#pragma once

#include <QFutureWatcher>
#include <QPointer>
#include <QWidget>
#include <QtConcurrent/QtConcurrentRun>

#include <type_traits>
#include <utility>

// Slow work of a window (reading a log, building a day's series) run on
// Qt's thread pool, so that the clock tick never waits for a file; the
// result is handed back on the window's thread. The window shows a busy
// cursor meanwhile. Starting another load drops the one before, and so does
// the window's closing: the work runs to its end beside and its result is
// thrown away. The work must hold copies, never the window.
class BackgroundLoad
{
public:
    explicit BackgroundLoad(QWidget *window) : m_window(window) {}
    ~BackgroundLoad() { drop(); }

    template <typename Work, typename Done> void start(Work work, Done done)
    {
        using Result = std::invoke_result_t<Work>;
        drop();
        auto *watcher = new QFutureWatcher<Result>(m_window);
        QObject::connect(watcher, &QFutureWatcherBase::finished, m_window, [this, watcher, done] {
            m_current = nullptr;
            m_window->unsetCursor();
            watcher->deleteLater();
            done(watcher->result());
        });
        m_current = watcher;
        m_window->setCursor(Qt::BusyCursor);
        watcher->setFuture(QtConcurrent::run(std::move(work)));
    }

    bool running() const { return !m_current.isNull(); }

    void drop()
    {
        if (!m_current)
            return;
        delete m_current.data();
        m_window->unsetCursor();
    }

private:
    QWidget *m_window;
    QPointer<QObject> m_current;
};
