#pragma once

#include <QCoreApplication>
#include <QCursor>
#include <QGuiApplication>
#include <QThread>

/** Shows the pointer as the hourglass for as long as it lives (restored
 *  however the scope ends). Without a graphical application, or off its
 *  thread, there is no pointer to change and it does nothing. */
class WaitCursor
{
public:
    WaitCursor()
        : m_on(qobject_cast<QGuiApplication*>(QCoreApplication::instance()) != nullptr
               && QThread::currentThread() == QCoreApplication::instance()->thread())
    {
        if (m_on)
            QGuiApplication::setOverrideCursor(QCursor(Qt::WaitCursor));
    }
    ~WaitCursor()
    {
        if (m_on)
            QGuiApplication::restoreOverrideCursor();
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool m_on;
};
