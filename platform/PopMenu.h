#pragma once

#include "platform/ImageList.h"

#include <QHash>
#include <QList>
#include <QPoint>
#include <QPointer>
#include <QString>
#include <QStringList>
#include <QVariant>
#include <QWidget>

#include <deque>

class QAction;
class QMenu;

/**
 * Pop-up menus built from items, kept under a name and shown at a point.
 *
 * Items are numbered from 1 in the order they were added to the current item
 * list. An item has a caption ("-" makes a separator; "&" marks the access
 * key), a help text (the status tip), an item data number, a parent item (0
 * for the top level; an item with children opens a submenu), an icon index in
 * the menu's ImageList, a check mark, an enabled state and a key (a text the
 * handler acts on).
 *
 * store() keeps the current item list under a name; restore() makes a kept
 * list current again, so one object can hold several menus. showAt() shows the
 * current list and returns the chosen item's number (0 when none was chosen).
 *
 * Tests answer menus with a PopMenu::Script instead of a real pop-up. The
 * script also answers the ordinary menus shown through PopMenu::popup().
 */
class PopMenu
{
public:
    struct Item
    {
        QString caption;
        QString helpText;
        qint64 itemData = 0;
        int parent = 0;
        int icon = -1;
        bool checked = false;
        bool enabled = true;
        bool visible = true;
        QString key;
    };

    /** `owner` is the window whose coordinates showAt() takes. */
    explicit PopMenu(QWidget* owner = nullptr, ImageList* images = nullptr);
    ~PopMenu();
    PopMenu(const PopMenu&) = delete;
    PopMenu& operator=(const PopMenu&) = delete;

    void setOwner(QWidget* owner) { m_owner = owner; }
    QWidget* owner() const { return m_owner; }
    void setImageList(ImageList* images) { m_images = images; }
    ImageList* imageList() const { return m_images; }

    /** Starts a new, empty item list (kept lists are not touched). */
    void clear();
    /** Adds an item to the current list; returns its number. */
    int addItem(const QString& caption, const QString& helpText = QString(), const QString& key = QString(),
                int icon = -1, bool enabled = true, bool checked = false, int parent = 0, qint64 itemData = 0);
    int count() const { return static_cast<int>(m_items.size()); }
    /** An item of the current list (1-based); an empty item when out of range. */
    Item item(int number) const;
    QString itemKey(int number) const { return item(number).key; }
    /** Number of the item with this key (case-insensitive), 0 when none. */
    int indexForKey(const QString& key) const;
    void setItemEnabled(int number, bool enabled);
    void setItemChecked(int number, bool checked);
    void setItemVisible(int number, bool visible);
    void setItemCaption(int number, const QString& caption);

    /** Keeps the current item list under a name (replacing one of that name). */
    void store(const QString& name);
    /** Makes the list kept under `name` current; false when there is none. */
    bool restore(const QString& name);
    QStringList storedNames() const { return m_stored.keys(); }

    /** Shows the current list at a point in the owner's pixels (screen pixels
     *  without an owner) and waits for the choice; returns the chosen item's
     *  number, 0 when the menu was dismissed. */
    int showAt(const QPoint& pos);
    int showAt(int x, int y) { return showAt(QPoint(x, y)); }
    /** As showAt, but answers the chosen item's key ("" when none). */
    QString showAtForKey(const QPoint& pos);

    /** Shows an ordinary menu as a pop-up at a screen point and waits; returns
     *  the triggered action (already triggered), or nullptr. Under a Script the
     *  queued answer names the action (object name, or text without "&"). */
    static QAction* popup(QMenu* menu, const QPoint& globalPos);

    /** One pop-up as it was shown. */
    struct Record
    {
        QString menu;         // the stored name (PopMenu) or object name (QMenu)
        QStringList items;    // keys (PopMenu) or object names (QMenu) of the visible, enabled items
        QPoint pos;           // as given to showAt / popup
        QString chosen;       // the key / object name answered, "" when none
        bool expected = true; // false when no answer was queued
    };

    /**
     * The scripted responder for tests. While one exists, pop-ups are not
     * shown: each takes the next queued answer (an item key for PopMenu, an
     * action's object name or text for popup()) and is recorded. A queued key
     * that names no visible, enabled item answers "none".
     */
    class Script
    {
    public:
        Script();
        ~Script();
        Script(const Script&) = delete;
        Script& operator=(const Script&) = delete;
        static Script* active();

        /** Queues the choice of an item by key (or action name). */
        Script& choose(const QString& key);
        /** Queues a dismissed menu (nothing chosen). */
        Script& dismiss();

        const QList<Record>& records() const { return m_records; }
        int pending() const { return static_cast<int>(m_queue.size()); }
        /** Takes the next answer; false when none is queued. */
        bool take(QString& answer);
        void record(const Record& r) { m_records << r; }

    private:
        std::deque<QString> m_queue;
        QList<Record> m_records;
        Script* m_previous = nullptr;
    };

private:
    struct Stored
    {
        QList<Item> items;
    };
    QMenu* buildMenu(QHash<QAction*, int>& numbers) const;

    QPointer<QWidget> m_owner;
    QPointer<ImageList> m_images;
    QList<Item> m_items;
    QString m_current; // name of the list restored or stored last
    QHash<QString, Stored> m_stored;
};
