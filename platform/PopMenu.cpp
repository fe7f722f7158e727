#include "platform/PopMenu.h"

#include "platform/ImageList.h"

#include <QAction>
#include <QCursor>
#include <QMenu>
#include <QWidget>

#include <memory>

namespace
{
PopMenu::Script*& activeScript()
{
    static PopMenu::Script* script = nullptr;
    return script;
}

QString plainText(QString text)
{
    return text.remove(QLatin1Char('&'));
}
} // namespace

// ---- Script -----------------------------------------------------------------------

PopMenu::Script::Script()
    : m_previous(activeScript())
{
    activeScript() = this;
}

PopMenu::Script::~Script()
{
    activeScript() = m_previous;
}

PopMenu::Script* PopMenu::Script::active()
{
    return activeScript();
}

PopMenu::Script& PopMenu::Script::choose(const QString& key)
{
    m_queue.push_back(key);
    return *this;
}

PopMenu::Script& PopMenu::Script::dismiss()
{
    m_queue.push_back(QString());
    return *this;
}

bool PopMenu::Script::take(QString& answer)
{
    if (m_queue.empty())
        return false;
    answer = m_queue.front();
    m_queue.pop_front();
    return true;
}

// ---- PopMenu ----------------------------------------------------------------------

PopMenu::PopMenu(QWidget* owner, ImageList* images)
    : m_owner(owner)
    , m_images(images)
{
}

PopMenu::~PopMenu() = default;

void PopMenu::clear()
{
    m_items.clear();
    m_current.clear();
}

int PopMenu::addItem(const QString& caption, const QString& helpText, const QString& key, int icon, bool enabled,
                     bool checked, int parent, qint64 itemData)
{
    Item it;
    it.caption = caption;
    it.helpText = helpText;
    it.key = key;
    it.icon = icon;
    it.enabled = enabled;
    it.checked = checked;
    // A parent must be an item added before this one.
    it.parent = (parent >= 1 && parent <= count()) ? parent : 0;
    it.itemData = itemData;
    m_items << it;
    return count();
}

PopMenu::Item PopMenu::item(int number) const
{
    if (number < 1 || number > count())
        return Item();
    return m_items.at(number - 1);
}

int PopMenu::indexForKey(const QString& key) const
{
    for (int i = 0; i < m_items.size(); ++i)
        if (m_items.at(i).key.compare(key, Qt::CaseInsensitive) == 0)
            return i + 1;
    return 0;
}

void PopMenu::setItemEnabled(int number, bool enabled)
{
    if (number >= 1 && number <= count())
        m_items[number - 1].enabled = enabled;
}

void PopMenu::setItemChecked(int number, bool checked)
{
    if (number >= 1 && number <= count())
        m_items[number - 1].checked = checked;
}

void PopMenu::setItemVisible(int number, bool visible)
{
    if (number >= 1 && number <= count())
        m_items[number - 1].visible = visible;
}

void PopMenu::setItemCaption(int number, const QString& caption)
{
    if (number >= 1 && number <= count())
        m_items[number - 1].caption = caption;
}

void PopMenu::store(const QString& name)
{
    m_stored[name] = Stored{m_items};
    m_current = name;
}

bool PopMenu::restore(const QString& name)
{
    const auto it = m_stored.constFind(name);
    if (it == m_stored.constEnd())
        return false;
    m_items = it->items;
    m_current = name;
    return true;
}

QMenu* PopMenu::buildMenu(QHash<QAction*, int>& numbers) const
{
    auto* root = new QMenu(m_owner);
    // Menus by item number; an item with children becomes a submenu.
    QHash<int, QMenu*> menus;
    QList<bool> hasChildren(count() + 1, false);
    for (const Item& it : m_items)
        if (it.parent > 0)
            hasChildren[it.parent] = true;
    for (int n = 1; n <= count(); ++n) {
        const Item& it = m_items.at(n - 1);
        if (!it.visible)
            continue;
        QMenu* parentMenu = it.parent > 0 ? menus.value(it.parent, nullptr) : root;
        if (!parentMenu)
            continue; // under a hidden parent
        if (it.caption == QLatin1String("-")) {
            parentMenu->addSeparator();
            continue;
        }
        const QIcon icon = m_images ? m_images->icon(it.icon) : QIcon();
        if (hasChildren.at(n)) {
            QMenu* sub = parentMenu->addMenu(icon, it.caption);
            sub->setEnabled(it.enabled);
            sub->menuAction()->setStatusTip(it.helpText);
            menus.insert(n, sub);
            continue;
        }
        QAction* a = parentMenu->addAction(icon, it.caption);
        a->setStatusTip(it.helpText);
        a->setToolTip(it.helpText);
        a->setEnabled(it.enabled);
        if (it.checked) {
            a->setCheckable(true);
            a->setChecked(true);
        }
        numbers.insert(a, n);
    }
    return root;
}

int PopMenu::showAt(const QPoint& pos)
{
    if (Script* script = Script::active()) {
        Record rec;
        rec.menu = m_current;
        rec.pos = pos;
        for (const Item& it : m_items)
            if (it.visible && it.enabled && it.caption != QLatin1String("-"))
                rec.items << it.key;
        QString answer;
        rec.expected = script->take(answer);
        int chosen = 0;
        if (!answer.isEmpty()) {
            const int n = indexForKey(answer);
            const Item it = item(n);
            bool parentsShown = true;
            for (int p = it.parent; p > 0; p = item(p).parent)
                parentsShown = parentsShown && item(p).visible && item(p).enabled;
            if (n > 0 && it.visible && it.enabled && parentsShown)
                chosen = n;
        }
        rec.chosen = chosen > 0 ? item(chosen).key : QString();
        script->record(rec);
        return chosen;
    }
    QHash<QAction*, int> numbers;
    std::unique_ptr<QMenu> menu(buildMenu(numbers));
    const QPoint global = m_owner ? m_owner->mapToGlobal(pos) : pos;
    QAction* a = menu->exec(global);
    return a ? numbers.value(a, 0) : 0;
}

QString PopMenu::showAtForKey(const QPoint& pos)
{
    return itemKey(showAt(pos));
}

QAction* PopMenu::popup(QMenu* menu, const QPoint& globalPos)
{
    if (!menu)
        return nullptr;
    if (Script* script = Script::active()) {
        Record rec;
        rec.menu = menu->objectName();
        rec.pos = globalPos;
        const QList<QAction*> actions = menu->actions();
        for (QAction* a : actions)
            if (a->isVisible() && a->isEnabled() && !a->isSeparator())
                rec.items << a->objectName();
        QString answer;
        rec.expected = script->take(answer);
        QAction* chosen = nullptr;
        if (!answer.isEmpty()) {
            for (QAction* a : actions) {
                if (!a->isVisible() || !a->isEnabled() || a->isSeparator())
                    continue;
                if (a->objectName() == answer || plainText(a->text()) == plainText(answer)) {
                    chosen = a;
                    break;
                }
            }
        }
        rec.chosen = chosen ? chosen->objectName() : QString();
        script->record(rec);
        if (chosen)
            chosen->trigger();
        return chosen;
    }
    return menu->exec(globalPos);
}
