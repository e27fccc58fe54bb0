#include "script/KyLuaLayoutBindings.h"

#include "script/KyLuaBuilder.h"
#include "script/KyLuaConverters.h"
#include "ui/KyButtonLayout.h"
#include "ui/KyCheckboxLayout.h"
#include "ui/KyLayout.h"
#include "ui/KyListLayout.h"
#include "ui/KySpriteLayout.h"
#include "ui/KyTextLayout.h"
#include "ui/KyVideoLayout.h"

#include <cstring>

namespace {

bool is(const char* key, const char* name)
{
    return std::strcmp(key, name) == 0;
}

// What the seven layout builders share: the common keys, the children,
// the name kept by the layout itself and the handle given to the script.
template <class T, class Derived>
struct LayoutKind {
    typedef T Object;
    typedef KyLuaBuilder::Job<Derived> Job;

    static T* create() { return new T(); }
    static void applyKey(Job& job, lua_State* L, const char* key)
    {
        if (!KyLuaBuilder::applyLayoutKey(job.object, L, key))
            Derived::applyOwnKey(job, L, key);
    }
    static void applyOwnKey(Job&, lua_State*, const char*) {}
    static void applyEntry(Job& job, lua_State* L, lua_Number index)
    {
        KyLuaBuilder::adoptChild(job.object, L, *job.gui, Derived::builder, index);
    }
    static KyString name(Job& job) { return job.object->name(); }
    static void finish(Job& job, const KyString& name)
    {
        job.object->setName(name);
        KyLuaBuilder::issue(*job.gui, handle(job));
    }
    static void* handle(Job& job) { return static_cast<KyLayout*>(job.object); }

    // Sets the look (or hit zone) named by key when the value is a layout of
    // the interface; true when key names one of looks.
    template <class Look, size_t n>
    static bool applyLook(Job& job, lua_State* L, const char* key, const Look (&looks)[n])
    {
        for (const Look& look : looks) {
            if (!is(key, look.key))
                continue;
            if (KyLayout* layout = KyLuaBuilder::layoutValue(L, *job.gui, Derived::builder, key))
                (job.object->*look.set)(layout);
            return true;
        }
        return false;
    }
};

struct PlainLayout : LayoutKind<KyLayout, PlainLayout> {
    static constexpr const char* builder = "layoutBindings";
    static KyMap<KyString, KyLayout*>& map(KyLuaGUI& gui) { return KyLuaBuilder::layouts(gui); }
};

struct ListLayout : LayoutKind<KyListLayout, ListLayout> {
    static constexpr const char* builder = "listLayoutBindings";
    static KyMap<KyString, KyListLayout*>& map(KyLuaGUI& gui) { return KyLuaBuilder::listLayouts(gui); }
    static void applyOwnKey(Job& job, lua_State* L, const char* key)
    {
        KyListLayout* list = job.object;
        if (is(key, "direction"))
            list->direction = KyLuaToKyVector3f32(L, list->direction);
        else if (is(key, "minimumMargin"))
            list->minimumMargin = KyLuaToKyVector3f32(L, list->minimumMargin);
        else if (is(key, "maximumMargin"))
            list->maximumMargin = KyLuaToKyVector3f32(L, list->maximumMargin);
    }
};

struct SpriteLayout : LayoutKind<KySpriteLayout, SpriteLayout> {
    static constexpr const char* builder = "spriteLayoutBindings";
    static KyMap<KyString, KySpriteLayout*>& map(KyLuaGUI& gui) { return KyLuaBuilder::spriteLayouts(gui); }
    static void applyOwnKey(Job& job, lua_State* L, const char* key)
    {
        if (is(key, "image"))
            job.object->load(KyLuaToKyString(L));
    }
};

struct ButtonLayout : LayoutKind<KyButtonLayout, ButtonLayout> {
    static constexpr const char* builder = "buttonLayoutBindings";
    static KyMap<KyString, KyButtonLayout*>& map(KyLuaGUI& gui) { return KyLuaBuilder::buttonLayouts(gui); }

    struct Look {
        const char* key;
        void (KyButtonLayout::*set)(KyLayout*);
    };

    static void applyOwnKey(Job& job, lua_State* L, const char* key)
    {
        static const Look looks[] = {
            {"upLayout", &KyButtonLayout::setUpLayout},
            {"downLayout", &KyButtonLayout::setDownLayout},
            {"disabledLayout", &KyButtonLayout::setDisabledLayout},
            {"hitZone", &KyButtonLayout::setHitZone},
        };
        KyButtonLayout* button = job.object;
        if (applyLook(job, L, key, looks))
            return;
        if (is(key, "enable"))
            button->setEnable(KyLuaToBool(L));
        else if (is(key, "clickPassThrough"))
            button->clickPassThrough = KyLuaToBool(L);
        else if (is(key, "validationSound"))
            button->validationSound = KyLuaToKyString(L);
    }
};

struct CheckboxLayout : LayoutKind<KyCheckboxLayout, CheckboxLayout> {
    static constexpr const char* builder = "checkboxLayoutBindings";
    static KyMap<KyString, KyCheckboxLayout*>& map(KyLuaGUI& gui) { return KyLuaBuilder::checkboxLayouts(gui); }

    struct Look {
        const char* key;
        void (KyCheckboxLayout::*set)(KyLayout*);
    };

    static void applyOwnKey(Job& job, lua_State* L, const char* key)
    {
        static const Look looks[] = {
            {"activeLayout", &KyCheckboxLayout::setActiveLayout},
            {"unactiveLayout", &KyCheckboxLayout::setUnactiveLayout},
            {"activeDisabledLayout", &KyCheckboxLayout::setActiveDisabledLayout},
            {"unactiveDisabledLayout", &KyCheckboxLayout::setUnactiveDisabledLayout},
            {"hitZone", &KyCheckboxLayout::setHitZone},
        };
        KyCheckboxLayout* box = job.object;
        if (applyLook(job, L, key, looks))
            return;
        if (is(key, "clickPassThrough"))
            box->clickPassThrough = KyLuaToBool(L);
        else if (is(key, "activationSound"))
            box->activationSound = KyLuaToKyString(L);
        else if (is(key, "unactivationSound"))
            box->unactivationSound = KyLuaToKyString(L);
    }
};

struct TextLayout : LayoutKind<KyTextLayout, TextLayout> {
    static constexpr const char* builder = "textLayoutBindings";
    static KyMap<KyString, KyTextLayout*>& map(KyLuaGUI& gui) { return KyLuaBuilder::textLayouts(gui); }
    static void applyOwnKey(Job& job, lua_State* L, const char* key)
    {
        if (is(key, "text"))
            job.object->setText(KyLuaToKyString(L));
        else if (is(key, "interLine") || is(key, "interline"))
            job.object->setInterLine(KyLuaToF32(L));
    }
};

struct VideoLayout : LayoutKind<KyVideoLayout, VideoLayout> {
    static constexpr const char* builder = "videoLayoutBindings";
    static KyMap<KyString, KyVideoLayout*>& map(KyLuaGUI& gui) { return KyLuaBuilder::videoLayouts(gui); }
};

} // namespace

int layoutBindings(lua_State* L)
{
    return KyLuaBuilder::build<PlainLayout>(L);
}

int listLayoutBindings(lua_State* L)
{
    return KyLuaBuilder::build<ListLayout>(L);
}

int spriteLayoutBindings(lua_State* L)
{
    return KyLuaBuilder::build<SpriteLayout>(L);
}

int buttonLayoutBindings(lua_State* L)
{
    return KyLuaBuilder::build<ButtonLayout>(L);
}

int checkboxLayoutBindings(lua_State* L)
{
    return KyLuaBuilder::build<CheckboxLayout>(L);
}

int textLayoutBindings(lua_State* L)
{
    return KyLuaBuilder::build<TextLayout>(L);
}

int videoLayoutBindings(lua_State* L)
{
    return KyLuaBuilder::build<VideoLayout>(L);
}
