#pragma once

#include <QComboBox>

/**
 * A drop-down list placed over a grid cell while it is edited: it tells when
 * an entry was chosen (select, chosen), when the user dismissed it (cancelled)
 * and when the user left it (lostFocus), and takes list index -1 for
 * "nothing chosen".
 */
class ComboEx : public QComboBox
{
    Q_OBJECT

public:
    explicit ComboEx(QWidget* parent = nullptr);

    /** Index of the chosen entry, -1 for none. */
    int listIndex() const { return currentIndex(); }
    void setListIndex(int index) { setCurrentIndex(index); }
    /** Places the list over a rectangle of another widget (e.g. a grid cell),
     *  keeping its own height, shows it, raises it and gives it the focus. */
    void showOver(QWidget* over, const QRect& rect);
    /** The list's own drop-down is showing. */
    bool popupShown() const;

signals:
    /** An entry became the list's entry with the mouse or the keyboard (also
     *  the arrow keys or the wheel over the closed list). */
    void select();
    /** An entry was picked on purpose: clicked or taken with Enter in the
     *  drop-down, or Enter on the closed list. Browsing the closed list with
     *  the arrow keys or the wheel is not a pick. */
    void chosen();
    /** Escape, on the list or in its drop-down: closed without a choice. */
    void cancelled();
    /** The focus went elsewhere in the window: not to the list's own
     *  drop-down (whatever reason the focus change gives), and not merely
     *  because another window became active (a message box, another program). */
    void lostFocus();

protected:
    void focusOutEvent(QFocusEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
#if QT_CONFIG(wheelevent)
    void wheelEvent(QWheelEvent* event) override;
#endif
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    /** True while the closed list handles a key or the wheel itself. */
    bool m_browsing = false;
};
