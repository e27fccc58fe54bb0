#ifndef KY_WARP_H
#define KY_WARP_H

#include "core/KyArray.h"
#include "core/KyCallback0Param.h"
#include "core/KyFile.h"
#include "core/KyICallback1Param.h"
#include "core/KyList.h"
#include "core/KyPath.h"
#include "core/KyString.h"
#include "core/KyTimer.h"
#include "core/KyTypes.h"
#include "core/KyWorkerPool.h"
#include "platform/Ky3DObject2.h"
#include "platform/KyCamera.h"
#include "platform/KyPickMesh.h"
#include "scene/KyWarpBloc.h"
#include "scene/KyWarpDecoder.h"
#include "scene/KyWarpMarker.h"
#include "ui/KyMovement3.h"

#include <memory>

// One panoramic scene: a cube seen from its centre, its six faces cut into
// tiles, the animations stored with it (sequences of frames, each a set of
// extra tiles drawn over the cube and a pick mesh), its exits, markers and
// a camera of its own.
//
// A panorama is read from a ".wp" file (load), which stays open while the
// panorama is loaded: tile pictures are decoded from it on demand, the cube
// tiles on the first update of an active panorama, animation tiles only for
// the current frame and only inside the view. Only an active panorama
// updates, draws and listens to the mouse. The game sets the panorama's
// rotation (the view's yaw and pitch) every frame; update hands it to the
// camera, whose orientation keeps only the screen's portrait/landscape turn
// given by setupCamera.
//
// Main thread only, with the OpenGL context current for update and render.
class KyWarp : public Ky3DObject2 {
public:
    // One frame of an animation.
    struct Frame {
        Frame();
        Frame(const Frame&) = delete;
        Frame& operator=(const Frame&) = delete;

        u32 tileCount;
        std::unique_ptr<KyWarpBloc[]> tiles;
        // The frame's clickable area, named after the animation; disabled
        // after loading.
        KyPickMesh pickMesh;
        // Tile textures loaded since the frame became current.
        u32 loadedTiles;
    };

    // One animation of the panorama file.
    struct AnimData {
        AnimData();
        AnimData(const AnimData&) = delete;
        AnimData& operator=(const AnimData&) = delete;

        // Started, put or frozen; only an animation of the playing list is
        // drawn.
        bool active;
        // 0 not advancing, -1 looping, n > 0 finishing after n passes.
        s32 passes;
        // Frames per second.
        f32 rate;
        u32 currentFrame;
        // The play range: firstFrame to endFrame - 1.
        u32 firstFrame;
        u32 endFrame;
        KyTimer timer;
        // Exactly four characters from the file.
        KyString name;
        u32 frameCount;
        // Tile groups per frame in the file.
        u8 groupCount;
        std::unique_ptr<Frame[]> frames;
        // Markers that belong to this animation (indices into the
        // panorama's marker array).
        KyArray<unsigned int> markerIndices;
    };

    // A clickable cell of an exit.
    struct ExitBlock {
        s32 face;
        s32 columns;
        s32 rows;
        s32 column;
        s32 row;
    };

    // A way to another panorama.
    struct Exit {
        Exit();

        KyString name;
        // "3D\" followed by the target panorama's path: also the name of the
        // exit's pick mesh and the name reported when it is clicked.
        KyString linkedPath;
        // The view to take in the target panorama.
        f32 angleX;
        f32 angleY;
        s32 blockGrid;
        // Index of the exit's marker in the marker array; NoMarker for an
        // exit that has none.
        u32 marker;
        KyList<ExitBlock> blocks;
    };

    // The marker index of an exit without a marker.
    static constexpr u32 NoMarker = 0xFFFFFFFFu;

    typedef KyArray<KyICallback1Param<KyString>*> ObjectHitSignal;
    typedef KyArray<KyICallback1Param<const KyString&>*> AnimationFinishedSignal;

    // Empty: inactive, cube visible, markers hidden, no file open.
    KyWarp();
    // Unloads, takes the press listener out of the input manager and closes
    // the file.
    ~KyWarp() override;
    KyWarp(const KyWarp&) = delete;
    KyWarp& operator=(const KyWarp&) = delete;

    // Reads a ".wp" file. When the path is the one loaded, nothing happens.
    // A missing file is looked for in the current language's folder beside
    // it, then in the "en" folder. The new file is read whole before
    // anything of the panorama changes: a file that cannot be opened, or
    // whose tables are damaged (a count or offset beyond the file's bytes, a
    // zero grid, a face grid or animation grid that is not a power of two, a
    // face above 5, a cell outside its grid, an unknown picture format, a
    // short read) leaves the panorama, its file and its path as they were,
    // and a damaged file logs one line naming it. True when the panorama
    // holds the file afterwards.
    bool load(const KyString& path);
    // Whether load would take the file at path: it is found (as load finds
    // it) and its tables read. Nothing is kept and nothing logged; problem
    // says what is wrong otherwise.
    static bool canLoad(const KyString& path, KyString& problem);
    // Releases everything read from the file, the objects, exits and
    // markers; the file stays open until the next load or destruction.
    void unload();
    // Per-frame work of an active panorama with an open file: the camera
    // takes the panorama's rotation, the view planes are rebuilt, every cube
    // tile is decoded (once) and the animations' current tiles in view are
    // decoded. It is also the node's scene-graph update, which a panorama
    // does not otherwise need.
    void update() override;
    // Draws an active panorama whose scale has no zero component and whose
    // colour's alpha is not 0: the cube (when visible), then the current
    // frame of every playing animation, culled by the view planes. The
    // matrices, depth state and colour are put back afterwards.
    virtual void render();

    // The camera from the main window: the screen object, a perspective
    // projection, the viewport of the window's size, the panorama's rotation
    // as orientation (the screen's portrait/landscape turn), and the aspect
    // of the window's size turned by it (near 1, far 4096, the camera's
    // field of view).
    void setupCamera();
    // Viewport (0, 0, width, height) and aspect width / height.
    void resize(f32 width, f32 height);
    // The field of view in degrees, with the camera's aspect, near and far.
    void setFov(f32 fov);
    // The camera's orientation (the screen's turn), normalised.
    void setCameraRotation(const KyQuaternion& rotation);
    // Nothing when the flag already has that value. Becoming active adds the
    // press listener (priority 0.0) to the input manager's left-button
    // signal; becoming inactive removes it and, with deleteMarkers, deletes
    // every marker.
    void setActive(bool active, bool deleteMarkers);
    // Stores the colour, fires the colour signal and gives every marker's
    // button the colour's alpha as its opacity (0..1).
    void setColor(const KyColor& color) override;
    // Releases the texture of every cube tile and of every tile of every
    // animation frame.
    void unloadTextures();
    // Starts reading, on worker threads, the pictures of the cube tiles that
    // have no texture, so that the next update only makes them textures (an
    // inactive panorama makes none). Becoming active starts it; the game
    // may start it earlier for a panorama it is about to show, or read
    // ahead, behind every scene needed now, a panorama it may show later.
    // A read under way is only raised to the priority asked. Nothing
    // without an open file or when every tile has its texture.
    void prefetchTextures(KyWorkerPool::Priority priority = KyWorkerPool::Now);
    // Whether pictures read ahead wait for the next update.
    bool isReadingAhead() const { return m_decoder != nullptr; }
    // Their reading while it lasts (null otherwise).
    const KyWarpDecoder* readAhead() const { return m_decoder.get(); }

    // Decodes the tiles of an animation's current frame that lie in the
    // view (either triangle of the tile not wholly outside one view plane);
    // each one decoded counts in the frame's loaded tiles.
    void loadVisibleFrameTextures(AnimData& animation);
    // Releases the tile textures of a frame and zeroes its loaded tiles.
    void releaseFrameTextures(Frame& frame);
    // Whether a tile passes the view planes (see loadVisibleFrameTextures).
    bool isTileInView(const KyWarpBloc& tile) const;

    // ---- animations and objects -------------------------------------------
    // Each acts on every animation bearing exactly that name, in array
    // order; when none does, a line is logged and nothing changes. An
    // animation without frames is skipped with a line of its own.

    // Plays the whole animation from its first frame: passes 0 stands
    // still, -1 (or any negative number) loops, n > 0 finishes after n
    // passes. Every frame's pick mesh is enabled when pickable.
    void startAnimation(const KyString& name, s32 passes, bool pickable);
    // Plays frames first to end - 1; a negative end counts from the end of
    // the animation (-1 leaves the last frame out). A range that is empty
    // or reaches outside the animation is refused with a line, leaving the
    // animation as it was.
    void startAnimationPart(const KyString& name, s32 passes, s32 first, s32 end, bool pickable);
    // Shows one frame, frozen; a negative frame counts from the end (-1 is
    // the last). A frame outside the animation is refused with a line.
    void setAnimationFrame(const KyString& name, s32 frame, bool pickable);
    // Shows a one-frame animation; one with more frames counts as not found.
    void putObject(const KyString& name, bool pickable);
    // Hides the animation: back to frame 0, out of the playing list (the
    // last entry takes its place), not pickable.
    void removeObject(const KyString& name);
    // Empties the playing list; no animation is active or pickable, and
    // every marker is hidden.
    void resetAnimations();
    // One animation's step of update: moves its current frame on with its
    // timer at its rate, finishes it after its passes (firing the
    // animation-finished signal once its last frame is current) and
    // releases the tiles of a frame it leaves. Animations that stand still
    // or have a single frame do not move.
    void advanceAnimation(AnimData& animation);

    // ---- markers ---------------------------------------------------------
    // A new marker (placed, not shown, empty name) whose clicks fire the
    // object-hit signal; its index in the marker array.
    u32 createMarker();
    // Places the marker of an exit (name without "3D\") or of an
    // animation (the marker at position slot of its list) with the pictures
    // "2D/Menus/InGame/Marker_<number>.png" and "..._over.png", shown when
    // markers are visible; number -1 hides it. An unknown name does nothing;
    // a slot or marker that does not exist is logged and does nothing.
    void setMarker(const KyString& name, s32 number, u32 slot);
    // Markers shown (placed ones only) or hidden; new markers follow it.
    void setMarkersVisible(bool visible);
    // Cancels the press in progress on every marker's button (its release
    // will not click); a shown button keeps the look of its state.
    void resetMarkersState();
    // Every marker button's opacity, given from 0 to 255.
    void setMarkersOpacity(f32 opacity);
    // Puts a placed marker's button on the projected point of its position
    // (in the 2D interface's 480 x 320 units, centred on it, scaled so it
    // keeps its size in window pixels); a marker behind the camera is moved
    // out of the screen.
    void updateMarker(KyCamera& camera, KyWarpMarker::Sprite& marker);
    // The listener of every marker: fires the object-hit signal with the
    // marker's name.
    bool onMarkerClick(KyString name);
    // Inactive, every picture and the label hidden, the button disabled.
    static void hideMarker(KyWarpMarker::Sprite& sprite);
    // The marker at index, or null.
    KyWarpMarker* marker(u32 index) const { return index < m_markers.count() ? m_markers[index] : nullptr; }

    // ---- exits and picking -----------------------------------------------
    // Adds an exit of the scene description: its pick mesh (two triangles
    // a block; blocks off the cube's faces or cells are left out), its path,
    // its hidden marker, and a copy of it in the exit list.
    void addExit(const Exit& exit);
    // The first exit whose linked path is name ("3D\" put before it unless
    // prefixed), or null.
    Exit* findExit(const KyString& name, bool prefixed);
    // The first animation of that name, or null.
    AnimData* findAnimation(const KyString& name);
    bool hasAnimation(const KyString& name) { return findAnimation(name) != nullptr; }
    // Appends a marker index to the first animation of that name.
    void addAnimationMarker(const KyString& name, u32 index);
    // Forgets what a scene description applied: exits, exit pick meshes,
    // paths, markers and the animations' marker lists.
    void clearSceneDescription();

    // The press listener of an active panorama: records the animation (the
    // first in array order whose current pick mesh the pointer's ray hits)
    // or else the exit under the pointer. Never consumes the press.
    bool onMouseClick();
    // The release of a click: fires the object-hit signal when the pointer
    // is on the animation or exit recorded at the press, then forgets it.
    void click();
    // The pointer's ray through the panorama's camera.
    void pointerRay(KyVector3f32& origin, KyVector3f32& direction);
    // What the last press hit (null when nothing).
    AnimData* hitAnimation() const { return m_hitAnimation; }
    KyPickMesh* hitExitMesh() const { return m_hitExitMesh; }

    bool isLoaded() const { return m_loaded; }
    // The path of the loaded file, as given to load (normalised).
    const KyPath& path() const { return m_path; }
    KyFile& file() { return *m_file; }
    bool isActive() const { return m_active; }
    bool isCubeVisible() const { return m_cubeVisible; }
    void setCubeVisible(bool visible) { m_cubeVisible = visible; }
    // Set by the game to drop a panorama that is being loaded; every loop of
    // the reader stops on it, and the load then changes nothing.
    bool loadAbort() const { return m_loadAbort; }
    void setLoadAbort(bool abort) { m_loadAbort = abort; }

    const KyString& textureFormat() const { return m_textureFormat; }
    u32 cubeColumns() const { return m_cubeColumns; }
    u32 cubeRows() const { return m_cubeRows; }
    u32 animationColumns() const { return m_animationColumns; }
    u32 animationRows() const { return m_animationRows; }
    u32 pickColumns() const { return m_pickColumns; }
    u32 pickRows() const { return m_pickRows; }
    // 6 x columns x rows, face-major as read.
    u32 cubeTileCount() const { return 6 * m_cubeColumns * m_cubeRows; }
    KyWarpBloc* cubeTiles() { return m_cubeTiles.get(); }
    u32 animationCount() const { return m_animationCount; }
    AnimData* animations() { return m_animations.get(); }
    KyArray<AnimData*>& playing() { return m_playing; }

    ObjectHitSignal& onObjectHit() { return m_onObjectHit; }
    AnimationFinishedSignal& onAnimationFinished() { return m_onAnimationFinished; }
    // Objects the game hands over; deleted by unload.
    KyList<KyObject*>& objects() { return m_objects; }
    KyCamera& camera() { return m_camera; }
    KyMovement3& movement(u32 index) { return m_movements[index & 3]; }
    bool markersVisible() const { return m_markersVisible; }
    // The six view planes of the last update.
    const f32 (*frustum() const)[4] { return m_frustum; }
    KyList<Exit>& exits() { return m_exits; }
    KyList<KyPickMesh*>& exitPickMeshes() { return m_exitPickMeshes; }
    // The linked path of every exit.
    KyList<KyPath>& paths() { return m_paths; }
    KyArray<KyWarpMarker*>& markers() { return m_markers; }

protected:
    // Deletes every marker with its sprite record and button; the marker
    // indices of animations and exits are forgotten. During a marker's click
    // the markers are only hidden and deleted at the next update, since the
    // click is still running in one of their buttons.
    void deleteMarkers();
    void deleteRetiredMarkers();
    // The marker of an animation's slot or of an exit; null when none.
    KyWarpMarker::Sprite* markerSprite(u32 index) const;
    // Forgets the press on a marker's button (a shown button that has a
    // disabled picture shows it).
    void resetMarkerButton(u32 index);
    // Calls action on every animation bearing name, in array order; true
    // when one of the calls returned true (the name counts as found).
    template <class Action>
    bool forEachAnimation(const KyString& name, Action action);
    // False, with a line naming the caller, for an animation without frames.
    static bool hasFrames(const AnimData& animation, const char* caller);
    // Appends to the playing list unless listed.
    void listPlaying(AnimData& animation);
    // Plays frames [first, end) from the start of the range, passes times
    // (-1: for ever), listed as playing.
    void startPlaying(AnimData& animation, s32 passes, u32 first, u32 end, bool pickable);
    // Makes frame the current one, releasing the tiles of the one it leaves.
    void showFrame(AnimData& animation, u32 frame);
    static void setPickable(AnimData& animation, bool pickable);
    // Adds or removes the press listener on the input manager.
    void listenToPresses(bool listen);
    // Gives every cube tile without a texture its texture, the pictures
    // read ahead or, when more than one is missing, read now by the main
    // thread and the workers together.
    void loadCubeTextures();

    bool m_loaded;
    // Shared with the reading ahead, whose jobs still running when it is
    // dropped keep the file open until they end.
    std::shared_ptr<KyFile> m_file;
    // The pictures of the cube being read ahead.
    std::unique_ptr<KyWarpDecoder> m_decoder;
    bool m_loadAbort;
    bool m_active;
    bool m_cubeVisible;
    KyString m_textureFormat;
    u32 m_cubeColumns;
    u32 m_cubeRows;
    u32 m_animationColumns;
    u32 m_animationRows;
    u32 m_pickColumns;
    u32 m_pickRows;
    u32 m_animationCount;
    std::unique_ptr<KyWarpBloc[]> m_cubeTiles;
    std::unique_ptr<AnimData[]> m_animations;
    KyArray<AnimData*> m_playing;
    ObjectHitSignal m_onObjectHit;
    AnimationFinishedSignal m_onAnimationFinished;
    KyList<KyObject*> m_objects;
    KyCamera m_camera;
    KyMovement3 m_movements[4];
    bool m_markersVisible;
    f32 m_frustum[6][4];
    KyList<Exit> m_exits;
    KyList<KyPickMesh*> m_exitPickMeshes;
    KyList<KyPath> m_paths;
    // What the last press hit (null when nothing).
    AnimData* m_hitAnimation;
    KyPickMesh* m_hitExitMesh;
    KyArray<KyWarpMarker*> m_markers;
    KyPath m_path;
    // Markers deleted while one of them was being clicked.
    KyArray<KyWarpMarker*> m_retiredMarkers;
    // Set while a marker's click runs.
    u32 m_markerClickDepth;
    // Counts unloads, so that a listener that unloads the panorama stops
    // the loop that called it.
    u32 m_generation;
};

#endif
