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
    ~WaitCursor() { restore(); }
    /** Puts the ordinary pointer back before the scope ends (for a message
     *  box shown after the wait); the destructor then leaves it alone. */
    void restore()
    {
        if (m_on)
            QGuiApplication::restoreOverrideCursor();
        m_on = false;
    }
    WaitCursor(const WaitCursor&) = delete;
    WaitCursor& operator=(const WaitCursor&) = delete;

private:
    bool m_on;
};
