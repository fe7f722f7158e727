#pragma once

#include <QComboBox>

/**
 * A drop-down list placed over a grid cell while it is edited: it tells when
 * an entry was chosen (select) and when the user left it (lostFocus), and
 * takes list index -1 for "nothing chosen".
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

signals:
    /** An entry was chosen with the mouse or the keyboard. */
    void select();
    /** The focus went elsewhere (not to the list's own drop-down). */
    void lostFocus();

protected:
    void focusOutEvent(QFocusEvent* event) override;
};
