#include "script/KyLuaAnimationBindings.h"

#include "platform/Ky3DObject2.h"
#include "script/KyLuaBuilder.h"
#include "script/KyLuaConverters.h"
#include "ui/KyCurveAnim2.h"
#include "ui/KyLayout.h"

#include <cstring>

namespace {

bool is(const char* key, const char* name)
{
    return std::strcmp(key, name) == 0;
}

// What the four animation builders share. The animation keeps no name of
// its own: the name it is filed under is held by the job until then.
// Positional entries are not children here and are skipped.
template <class Target, class Value, class Derived>
struct AnimationKind {
    typedef KyCurveAnim2<Target, Value> Object;
    typedef KyLuaBuilder::Job<Derived> Job;

    static Object* create() { return new Object(); }
    static void applyKey(Job& job, lua_State* L, const char* key)
    {
        Object* animation = job.object;
        if (is(key, "name")) {
            if (!job.name)
                job.name = new KyString();
            *job.name = KyLuaToKyString(L);
        } else if (is(key, "duration")) {
            animation->duration = KyLuaToF32(L);
        } else if (is(key, "startValue")) {
            animation->startValue = Derived::value(L);
        } else if (is(key, "endValue")) {
            animation->endValue = Derived::value(L);
        } else if (is(key, "curve")) {
            animation->setCurve(KyLuaToF32KyArray(L));
        }
    }
    static void applyEntry(Job&, lua_State*, lua_Number) {}
    static KyString name(Job& job) { return job.name ? *job.name : KyString(); }
    static void finish(Job& job, const KyString&) { job.object->setSetter(Derived::setter()); }
    static void* handle(Job& job) { return job.object; }
};

struct PositionAnimation : AnimationKind<KyLayout, KyVector3f32, PositionAnimation> {
    static constexpr const char* builder = "layoutPositionLinearAnimationBindings";
    static KyLuaBuilder::VectorAnimations& map(KyLuaGUI& gui) { return KyLuaBuilder::positionAnimations(gui); }
    static KyVector3f32 value(lua_State* L) { return KyLuaToKyVector3f32(L, KyVector3f32(0.0f, 0.0f, 0.0f)); }
    static Object::Setter setter() { return &KyLayout::setPosition; }
};

struct AnchorAnimation : AnimationKind<KyLayout, KyVector3f32, AnchorAnimation> {
    static constexpr const char* builder = "layoutAnchorLinearAnimationBindings";
    static KyLuaBuilder::VectorAnimations& map(KyLuaGUI& gui) { return KyLuaBuilder::anchorAnimations(gui); }
    static KyVector3f32 value(lua_State* L) { return KyLuaToKyVector3f32(L, KyVector3f32(0.0f, 0.0f, 0.0f)); }
    static Object::Setter setter() { return &KyLayout::setAnchor; }
};

struct ColorAnimation : AnimationKind<Ky3DObject2, KyColor, ColorAnimation> {
    static constexpr const char* builder = "colorLinearAnimationBindings";
    static KyMap<KyString, Object*>& map(KyLuaGUI& gui) { return KyLuaBuilder::colorAnimations(gui); }
    static KyColor value(lua_State* L) { return KyLuaToKyColor(L); }
    static Object::Setter setter() { return &Ky3DObject2::setColor; }
};

struct RotationAnimation : AnimationKind<Ky3DObject2, KyQuaternion, RotationAnimation> {
    static constexpr const char* builder = "rotationLinearAnimationBindings";
    static KyMap<KyString, Object*>& map(KyLuaGUI& gui) { return KyLuaBuilder::rotationAnimations(gui); }
    static KyQuaternion value(lua_State* L) { return KyLuaToKyQuaternion(L, KyQuaternion()); }
    static Object::Setter setter() { return &Ky3DObject2::setRotation; }
};

} // namespace

int layoutPositionLinearAnimationBindings(lua_State* L)
{
    return KyLuaBuilder::build<PositionAnimation>(L);
}

int layoutAnchorLinearAnimationBindings(lua_State* L)
{
    return KyLuaBuilder::build<AnchorAnimation>(L);
}

int colorLinearAnimationBindings(lua_State* L)
{
    return KyLuaBuilder::build<ColorAnimation>(L);
}

int rotationLinearAnimationBindings(lua_State* L)
{
    return KyLuaBuilder::build<RotationAnimation>(L);
}
