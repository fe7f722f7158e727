#pragma once

#include <QApplication>
#include <QCursor>

/** The hourglass for the time a window waits on the form database; put back
 *  before a message box (release) or at the end of the scope. */
class HourGlass
{
public:
    HourGlass() { QApplication::setOverrideCursor(QCursor(Qt::WaitCursor)); }
    ~HourGlass() { release(); }
    HourGlass(const HourGlass&) = delete;
    HourGlass& operator=(const HourGlass&) = delete;

    void release()
    {
        if (m_on) {
            m_on = false;
            QApplication::restoreOverrideCursor();
        }
    }

private:
    bool m_on = true;
};

/** Takes down every hourglass still up, the opener's included: a window that
 *  has finished loading is worked in with the normal pointer, and a message
 *  box is answered with it. */
inline void DefaultPointer()
{
    while (QApplication::overrideCursor())
        QApplication::restoreOverrideCursor();
}
