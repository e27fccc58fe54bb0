#ifndef KY_SCENE_WARP_H
#define KY_SCENE_WARP_H

#include "core/KyArray.h"
#include "core/KyMap.h"
#include "core/KyObject.h"
#include "core/KyString.h"
#include "core/KyTypes.h"
#include "core/KyVector3f32.h"
#include "scene/KyWarp.h"

#include <vector>

// The scene description beside a panorama: an XML file (same name, ".xml")
// whose top-level elements say which animations of the panorama are objects
// or animations with markers, and where the exits to other panoramas are.
//
//   <object name="KEY1"><marker x="10" y="-20" z="-480"/></object>
//   <animation name="BIRD" fps="15"><marker x="0" y="300" z="-480"/>...</animation>
//   <exit linkedWarp="Isis/Warp_0002.wp" nbWarpBlock="4">
//     <marker x="400" y="0" z="-480"/> <camera angleX="90" angleY="0"/>
//     <block face="3" offsetX="2" offsetY="1"/>...
//   </exit>
//
// Only the first marker and camera of an object or exit count; an animation
// has a marker per marker element. An exit's blocks are cells of a face cut
// into nbWarpBlock x nbWarpBlock cells.
//
// The file is read whole into a Description and checked before the
// panorama changes. A file that cannot be read or is not well-formed XML is
// refused with a line naming it, and the panorama keeps what it had. In a
// file that is read, every problem (an unknown element, a missing
// attribute, a number that is not one or is out of range, a duplicate) is
// logged on a line of its own naming the file and line, and what can be
// used is kept: an element without its name or path is left out, a block
// off the faces or outside its grid is left out, a marker with a bad
// coordinate is left out (an exit then has no marker), a missing or bad
// grid counts as 1, angles as 0, a frame rate as 15; elements and markers
// beyond MaxElements and MaxMarkers are left out. Applying a description
// first clears what an earlier one applied to the panorama, so visiting a
// panorama again gives the same exits, paths and markers.
//
// The game makes a KySceneWarp, loads it onto the panorama and destroys it:
// everything that lasts is stored in the panorama.
class KySceneWarp : public KyObject {
public:
    // One top-level element of a description, checked.
    struct Element {
        enum Kind { Object, Animation, Exit };

        Kind kind = Object;
        // The line it starts on.
        int line = 0;
        // The animation name of an object or animation; the exit's name
        // ("Exit_%02d" with the exits before it) for an exit.
        KyString name;
        // An animation's frame rate (kept; the panorama plays every
        // animation at its own rate).
        f64 fps = 15.0;
        // The marker points: at most one for an object or an exit.
        std::vector<KyVector3f32> markers;
        // An exit's path, view and blocks (its marker index is set when it
        // is applied).
        KyWarp::Exit exit;
    };

    struct Description {
        std::vector<Element> elements;
        // Problems logged while reading.
        u32 problems = 0;
    };

    // An object of the description, as applied.
    struct ObjectEntry {
        KyString name;
        // Its marker, or KyWarp::NoMarker.
        u32 marker = KyWarp::NoMarker;
    };

    // An animation of the description, as applied.
    struct AnimationEntry {
        KyString name;
        f64 fps = 15.0;
        KyArray<unsigned int> markerIndices;
    };

    // The largest block grid an exit may have.
    static constexpr s32 MaxBlockGrid = 65535;
    // Most elements (objects, animations and exits) and markers one
    // description may give a panorama; the rest is left out with a line.
    // A scene has tens of them; every one of them costs the panorama memory
    // and work in each frame.
    static constexpr u32 MaxElements = 1024;
    static constexpr u32 MaxMarkers = 1024;
    // Problems logged one by one for a file; the rest are counted on one
    // line at the end.
    static constexpr u32 MaxProblemLines = 100;

    KySceneWarp();
    ~KySceneWarp() override;
    KySceneWarp(const KySceneWarp&) = delete;
    KySceneWarp& operator=(const KySceneWarp&) = delete;

    // Reads the file at path (a game path) and applies it to the panorama;
    // then the panorama's markers-visible flag is applied again to all its
    // markers. A refused file leaves the panorama as it was.
    void load(const KyString& path, KyWarp* warp);

    // Reads and checks a description file, logging its problems; false,
    // with a line, when it cannot be read or is not well-formed XML.
    static bool read(const KyString& path, Description& description);
    // The same for text in memory; fileName names it in the log lines.
    static bool parse(const char* text, const KyString& fileName, Description& description);

    // Empties the maps, then applies the description to the panorama (whose
    // earlier description goes first) and fills the maps with what was
    // applied. An object or animation naming no animation of the panorama
    // gets its markers, which stay hidden, and is logged.
    void apply(const Description& description, KyWarp* warp);

    // The first entry of that name, or null.
    const ObjectEntry* findObject(const KyString& name) const;
    const AnimationEntry* findAnimation(const KyString& name) const;
    const KyWarp::Exit* findExit(const KyString& name) const;
    // Empties the maps.
    void clear();

    const KyString& path() const { return m_path; }
    KyWarp* warp() const { return m_warp; }
    const KyMap<KyString, ObjectEntry>& objects() const { return m_objects; }
    const KyMap<KyString, AnimationEntry>& animations() const { return m_animations; }
    const KyMap<KyString, KyWarp::Exit>& exits() const { return m_exits; }

private:
    // A new hidden marker of the panorama at position.
    u32 addMarker(const KyVector3f32& position);

    KyString m_path;
    KyMap<KyString, ObjectEntry> m_objects;
    KyMap<KyString, AnimationEntry> m_animations;
    KyMap<KyString, KyWarp::Exit> m_exits;
    KyWarp* m_warp;
};

#endif
