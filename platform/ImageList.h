#pragma once

#include <QIcon>
#include <QList>
#include <QObject>
#include <QPixmap>
#include <QSize>

/**
 * Indexed icons for grids, grid headers and pop-up menus. An index that
 * holds no icon (or -1) gives a null icon.
 *
 * The program's one shared set (`imlGrdRace`) is made by gridRaceIcons();
 * its indexes have fixed meanings, see GridIcon.
 */
class ImageList : public QObject
{
    Q_OBJECT

public:
    /** Meanings of the shared set's indexes. */
    enum GridIcon
    {
        IconSortDescending = 0,
        IconSortAscending = 1,
        IconRego = 2,          // registration search (menus)
        IconTrainer = 3,       // trainer form (menus)
        IconBestPlaced = 4,    // managed jockeys' best placing above first; also the icon jockey; jockey form (menus)
        IconBestWin = 5,       // managed jockeys' best placing first (a win)
        IconComments = 6,      // trainer record has comments
        IconConfirmed = 7,     // confirmed booking
        IconRating = 8,        // rating page (menus)
        IconHorseForm = 9,     // horse form (menus)
        IconVideo = 10,        // video form (menus)
        GridIconCount = 11,
    };

    explicit ImageList(QObject* parent = nullptr, const QSize& size = QSize(16, 16));

    /** A new list holding the shared grid and menu icons, drawn by the program. */
    static ImageList* gridRaceIcons(QObject* parent = nullptr);

    int count() const { return static_cast<int>(m_icons.size()); }
    QSize iconSize() const { return m_size; }
    /** Icon at an index; a null icon for -1 and indexes that hold none. */
    QIcon icon(int index) const;
    QPixmap pixmap(int index) const;
    /** Appends an icon; returns its index. */
    int add(const QIcon& icon);
    /** Puts an icon at an index, growing the list with empty places. */
    void setIcon(int index, const QIcon& icon);
    void clear();

signals:
    void changed();

private:
    QSize m_size;
    QList<QIcon> m_icons;
};
