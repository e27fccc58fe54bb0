#include "game/screens/Objectives.h"

#include "core/KySingleton.h"
#include "game/Application.h"
#include "game/Listeners.h"
#include "script/KyLuaGUI.h"
#include "ui/KyButtonLayout.h"
#include "ui/KyTextLayout.h"

#include <string>

namespace {

const char* const kTitleStyle =
    "<section style=\"center\" /><color r=\"120\" g=\"60\" b=\"16\"/>"
    "<font file=\"Common/Fonts/Colaborate-Regular_r_24.tef\" />";
const char* const kObjectiveStyle =
    "<section style=\"left\" /><color r=\"58\" g=\"36\" b=\"16\"/><font file=\"Common/Fonts/Arial_r_16.tef\" />";
const char* const kSubObjectiveStyle =
    "<section style=\"left\" /><color r=\"96\" g=\"72\" b=\"44\"/><font file=\"Common/Fonts/Arial_r_16.tef\" />";

KyString number(s64 value)
{
    return KyString(std::to_string(value).c_str());
}

// A text of the application's language, or fallback when it has none.
KyString applicationText(const char* name, const char* fallback)
{
    if (!KySingleton<Application>::exists())
        return fallback;
    KyString* text = KySingleton<Application>::instance()->texts.value(name);
    return text ? *text : KyString(fallback);
}

} // namespace

const char* const Objectives::ListFile = "Objectives/Objectives.xml";

Objectif::Objectif()
    : subObjectiveCount(0)
{
}

Objectives::Objectives()
    : objectiveCount(0)
    , m_inGame(nullptr)
{
}

Objectives::~Objectives()
{
    detach();
    clear();
    gui.unload();
}

void Objectives::clear()
{
    for (u32 i = 0; i < objectives.count(); ++i)
        delete objectives[i];
    objectives.clear();
    objectiveCount = 0;
    active.clear();
}

void Objectives::append(const KyString& title, const KyArray<KyString>& subObjectives)
{
    Objectif* objective = new Objectif;
    objective->title = title;
    objective->subObjectives = subObjectives;
    objective->subObjectiveCount = s32(subObjectives.count());
    objectives.pushBack(objective);
    objectiveCount = s32(objectives.count());
}

bool Objectives::load(const KyString& path)
{
    clear();
    if (!gui.Load(path))
        return false;
    for (s64 i = 0;; ++i) {
        const KyString name = KyString("Objective") + number(i);
        KyString* title = gui.value(name);
        if (!title)
            break;
        KyArray<KyString> subs;
        for (s64 s = 0;; ++s) {
            KyString* sub = gui.value(name + "Sub" + number(s));
            if (!sub)
                break;
            subs.pushBack(*sub);
        }
        append(*title, subs);
    }
    return true;
}

s32 Objectives::idOfObjective(s32 index) const
{
    if (index < 0 || u32(index) >= objectives.count())
        return -1;
    s64 id = 0;
    for (s32 i = 0; i < index; ++i)
        id += 1 + objectives[u32(i)]->subObjectiveCount;
    return s32(id);
}

s32 Objectives::objectiveIndexOfId(s32 id) const
{
    s64 first = 0;
    for (u32 i = 0; i < objectives.count() && first <= id; ++i) {
        if (first == id)
            return s32(i);
        first += 1 + s64(objectives[i]->subObjectiveCount);
    }
    return -1;
}

s32 Objectives::parentIdOfSubObjective(s32 id) const
{
    s64 first = 0;
    for (u32 i = 0; i < objectives.count() && first <= id; ++i) {
        const s64 last = first + s64(objectives[i]->subObjectiveCount);
        if (id > first && id <= last)
            return s32(first);
        first = last + 1;
    }
    return -1;
}

bool Objectives::isObjectiveActive(s32 id) const
{
    for (u32 i = 0; i < active.count(); ++i) {
        if (active[i] == id)
            return true;
    }
    return false;
}

void Objectives::removeAll(s32 id)
{
    for (u32 i = active.count(); i > 0; --i) {
        if (active[i - 1] == id)
            active.removeAt(i - 1);
    }
}

void Objectives::setObjectiveActive(s32 id, bool on)
{
    const s32 parent = parentIdOfSubObjective(id);
    if (on) {
        if (parent != -1 && !isObjectiveActive(parent))
            active.pushBack(parent);
        active.pushBack(id);
        return;
    }
    removeAll(id);
    if (parent == -1)
        return;
    const s32 index = objectiveIndexOfId(parent);
    const s32 count = index < 0 ? 0 : objectives[u32(index)]->subObjectiveCount;
    for (s32 sub = 1; sub <= count; ++sub) {
        if (isObjectiveActive(parent + sub))
            return;
    }
    removeAll(parent);
}

// ---- the screen -----------------------------------------------------------

void Objectives::attach(KyLuaGUI* inGame)
{
    detach();
    m_inGame = inGame;
    if (!m_inGame)
        return;
    if (KyButtonLayout* background = m_inGame->buttonLayout("objectivesBackgroundButton"))
        appendListener(background->onValidated, this, &Objectives::onBackgroundClicked);
    hide();
}

void Objectives::detach()
{
    if (!m_inGame)
        return;
    if (KyButtonLayout* background = m_inGame->buttonLayout("objectivesBackgroundButton"))
        removeListener(background->onValidated, this, &Objectives::onBackgroundClicked);
    m_inGame = nullptr;
}

void Objectives::show()
{
    KyLayout* panel = m_inGame ? m_inGame->layout("objectivesPanel") : nullptr;
    if (!panel)
        return;
    panel->setVisible(true);
    refresh();
}

void Objectives::hide()
{
    if (KyLayout* panel = m_inGame ? m_inGame->layout("objectivesPanel") : nullptr)
        panel->setVisible(false);
}

bool Objectives::isShown()
{
    KyLayout* panel = m_inGame ? m_inGame->layout("objectivesPanel") : nullptr;
    return panel && panel->visible();
}

void Objectives::refresh()
{
    if (!isShown())
        return;
    if (KyTextLayout* list = m_inGame->textLayout("objectivesText"))
        list->setText(text());
}

KyString Objectives::text()
{
    KyString markup = KyString(kTitleStyle) + applicationText("ObjectivesTitle", "Objectives") + "<br/>";
    bool any = false;
    s32 id = 0;
    for (u32 i = 0; i < objectives.count(); ++i) {
        const Objectif& objective = *objectives[i];
        bool shown = isObjectiveActive(id);
        for (s32 sub = 1; sub <= objective.subObjectiveCount && !shown; ++sub)
            shown = isObjectiveActive(id + sub);
        if (shown) {
            any = true;
            markup += KyString("<br/>") + kObjectiveStyle + objective.title + "<br/>";
            for (s32 sub = 0; sub < objective.subObjectiveCount; ++sub) {
                if (isObjectiveActive(id + 1 + sub) && u32(sub) < objective.subObjectives.count())
                    markup += KyString(kSubObjectiveStyle) + "    - " + objective.subObjectives[u32(sub)] + "<br/>";
            }
        }
        id += 1 + objective.subObjectiveCount;
    }
    if (!any)
        markup += KyString("<br/>") + kObjectiveStyle + applicationText("NoObjective", "No objective for now.");
    return markup;
}

bool Objectives::onBackgroundClicked()
{
    hide();
    return false;
}

// ---- by pointer ------------------------------------------------------------

s32 objectiveIndexOfId(const Objectives* table, s32 id)
{
    return table ? table->objectiveIndexOfId(id) : -1;
}

s32 parentIdOfSubObjective(const Objectives* table, s32 id)
{
    return table ? table->parentIdOfSubObjective(id) : -1;
}

bool isObjectiveActive(const Objectives* table, s32 id)
{
    return table && table->isObjectiveActive(id);
}

void setObjectiveActive(Objectives* table, s32 id, bool active)
{
    if (table)
        table->setObjectiveActive(id, active);
}
