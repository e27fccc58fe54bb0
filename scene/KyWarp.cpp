#include "scene/KyWarp.h"

#include "core/KyLog.h"
#include "core/KyResourceManager.h"
#include "core/KySingleton.h"
#include "platform/KyInputMgr.h"
#include "platform/KyRenderer.h"
#include "platform/KyScreen.h"
#include "scene/KyWarpMarker.h"
#include "scene/KyWarpReader.h"
#include "ui/KyMainWindow.h"

#include <cmath>

namespace {

const f32 kNear = 1.0f;
const f32 kFar = 4096.0f;

// Window sizes come as floats; the viewport takes whole pixels.
u32 wholePixels(f32 v)
{
    if (!(v > 0.0f))
        return 0;
    if (v >= 4294967295.0f)
        return 0xFFFFFFFFu;
    return static_cast<u32>(v);
}

} // namespace

KyWarp::Frame::Frame() : tileCount(0), loadedTiles(0)
{
    pickMesh.setEnabled(false);
}

KyWarp::AnimData::AnimData()
    : active(false), passes(0), rate(15.0f), currentFrame(0), firstFrame(0), endFrame(1), frameCount(0),
      groupCount(0)
{
}

KyWarp::Exit::Exit() : angleX(0.0f), angleY(0.0f), blockGrid(1), marker(NoMarker) {}

KyWarp::KyWarp()
    : m_loaded(false), m_file(new KyFile), m_loadAbort(false), m_active(false), m_cubeVisible(true),
      m_cubeColumns(0), m_cubeRows(0), m_animationColumns(0), m_animationRows(0), m_pickColumns(0),
      m_pickRows(0), m_animationCount(0), m_markersVisible(false), m_hitAnimation(nullptr),
      m_hitExitMesh(nullptr), m_markerClickDepth(0), m_generation(0)
{
    for (u32 i = 0; i < 6; ++i)
        for (u32 j = 0; j < 4; ++j)
            m_frustum[i][j] = 0.0f;
}

KyWarp::~KyWarp()
{
    unload();
    deleteRetiredMarkers();
    if (KySingleton<KyInputMgr>::exists()) {
        KyCallback0Param<KyWarp> listener(this, &KyWarp::onMouseClick);
        KyInputMgr::instance()->onLeftButtonDown().removeCallback(&listener);
    }
}

namespace {

// Finds the file of a panorama as loads do and reads its tables.
bool readTables(const KyPath& path, KyPath& found, KyFile& file, KyWarpReader::Result& result, KyString& problem,
                const bool* abort)
{
    KyResourceManager::findLanguageFile(path, &found);
    if (!file.Open_2(found, KyFile::ModeRead)) {
        problem = "the file cannot be opened";
        return false;
    }
    KyWarpReader reader(file, file.GetFileSize(), abort);
    if (!reader.read(result)) {
        problem = reader.error();
        return false;
    }
    return true;
}

} // namespace

bool KyWarp::canLoad(const KyString& path, KyString& problem)
{
    KyPath found;
    KyResourceManager::findLanguageFile(KyPath(path), &found);
    // Looked at first: opening a missing file would log.
    if (!KyFile::exists(found)) {
        problem = "no such file";
        return false;
    }
    KyFile file;
    KyWarpReader::Result result;
    return readTables(KyPath(path), found, file, result, problem, nullptr);
}

bool KyWarp::load(const KyString& path)
{
    const KyPath wanted(path);
    if (m_loaded && wanted == m_path)
        return true;
    m_loadAbort = false;

    KyPath found;
    std::shared_ptr<KyFile> file(new KyFile);
    KyWarpReader::Result result;
    KyString problem;
    if (!readTables(wanted, found, *file, result, problem, &m_loadAbort)) {
        if (file->isOpen())
            logPrint("[KyWarp::load] file : %s error : %s\n", found.c_str(), problem.c_str());
        return false;
    }

    unload();
    m_textureFormat = result.textureFormat;
    m_cubeColumns = result.cubeColumns;
    m_cubeRows = result.cubeRows;
    m_animationColumns = result.animationColumns;
    m_animationRows = result.animationRows;
    m_pickColumns = result.pickColumns;
    m_pickRows = result.pickRows;
    m_animationCount = result.animationCount;
    m_cubeTiles = std::move(result.cubeTiles);
    m_animations = std::move(result.animations);
    // The previous file closes here, or once the last tile a worker still
    // reads from it for a dropped reading ahead is read.
    m_file = std::move(file);
    m_path = wanted;
    m_loaded = true;
    return true;
}

void KyWarp::unload()
{
    m_decoder.reset();
    unloadTextures();
    m_cubeTiles.reset();
    m_cubeColumns = 0;
    m_cubeRows = 0;
    m_animations.reset();
    m_animationCount = 0;
    m_playing.clear();
    m_hitAnimation = nullptr;
    m_hitExitMesh = nullptr;
    m_paths.clear();
    for (KyObject* object : m_objects)
        delete object;
    m_objects.clear();
    for (KyPickMesh* mesh : m_exitPickMeshes)
        delete mesh;
    m_exitPickMeshes.clear();
    // The exits name the meshes and markers that go here.
    m_exits.clear();
    deleteMarkers();
    m_loaded = false;
    ++m_generation;
}

void KyWarp::unloadTextures()
{
    const u32 cubeTiles = m_cubeTiles ? cubeTileCount() : 0;
    for (u32 i = 0; i < cubeTiles; ++i)
        m_cubeTiles[i].releaseTexture();
    for (u32 a = 0; a < m_animationCount; ++a) {
        AnimData& animation = m_animations[a];
        for (u32 f = 0; f < animation.frameCount; ++f)
            releaseFrameTextures(animation.frames[f]);
    }
}

void KyWarp::releaseFrameTextures(Frame& frame)
{
    for (u32 t = 0; t < frame.tileCount; ++t)
        frame.tiles[t].releaseTexture();
    frame.loadedTiles = 0;
}

bool KyWarp::isTileInView(const KyWarpBloc& tile) const
{
    const KyVector3f32 first[3] = {tile.corner(0), tile.corner(1), tile.corner(3)};
    const KyVector3f32 second[3] = {tile.corner(1), tile.corner(2), tile.corner(3)};
    return isTriangleInFrustum(first, m_frustum) != 0 || isTriangleInFrustum(second, m_frustum) != 0;
}

void KyWarp::loadVisibleFrameTextures(AnimData& animation)
{
    if (animation.currentFrame >= animation.frameCount)
        return;
    Frame& frame = animation.frames[animation.currentFrame];
    for (u32 t = 0; t < frame.tileCount; ++t) {
        KyWarpBloc& tile = frame.tiles[t];
        if (tile.hasTexture() || tile.hasFailed() || !isTileInView(tile))
            continue;
        tile.LoadTexture(*m_file, m_textureFormat);
        if (tile.hasTexture())
            ++frame.loadedTiles;
    }
}

void KyWarp::update()
{
    if (!m_active || !m_file->isOpen())
        return;
    // The view's yaw and pitch, which the game sets on the panorama.
    KyQuaternion view = rotation();
    view.normalize();
    m_camera.setRotationQuaternion(view);
    buildFrustumPlanes(m_camera, m_frustum);

    loadCubeTextures();
    deleteRetiredMarkers();
    const u32 generation = m_generation;
    for (u32 a = 0; a < m_animationCount; ++a) {
        advanceAnimation(m_animations[a]);
        // A finished-listener that unloaded the panorama ends the pass.
        if (generation != m_generation)
            return;
        loadVisibleFrameTextures(m_animations[a]);
    }
}

void KyWarp::prefetchTextures(KyWorkerPool::Priority priority)
{
    if (m_decoder) {
        if (priority == KyWorkerPool::Now)
            m_decoder->setPriority(priority);
        return;
    }
    if (!m_file->isOpen() || !m_cubeTiles)
        return;
    std::unique_ptr<KyWarpDecoder> decoder;
    for (u32 i = 0; i < cubeTileCount(); ++i) {
        const KyWarpBloc& tile = m_cubeTiles[i];
        if (tile.hasTexture() || tile.hasFailed())
            continue;
        if (!decoder)
            decoder.reset(new KyWarpDecoder(m_file, m_textureFormat, priority));
        decoder->request(tile.imagePosition());
    }
    m_decoder = std::move(decoder);
}

void KyWarp::loadCubeTextures()
{
    const u32 cubeTiles = m_cubeTiles ? cubeTileCount() : 0;
    u32 missing = 0;
    for (u32 i = 0; i < cubeTiles && missing < 2; ++i) {
        if (!m_cubeTiles[i].hasTexture() && !m_cubeTiles[i].hasFailed())
            ++missing;
    }
    if (missing > 1)
        prefetchTextures();
    if (m_decoder)
        m_decoder->finish();
    for (u32 i = 0; i < cubeTiles; ++i) {
        KyWarpBloc& tile = m_cubeTiles[i];
        KyWarpBloc::Pictures pictures;
        if (m_decoder && !tile.hasTexture() && !tile.hasFailed() && m_decoder->take(tile.imagePosition(), pictures))
            tile.makeTexture(pictures, m_textureFormat);
        else
            tile.LoadTexture(*m_file, m_textureFormat);
    }
    m_decoder.reset();
}

void KyWarp::render()
{
    const KyVector3f32 s = scale();
    if (!m_active || s.x == 0.0f || s.y == 0.0f || s.z == 0.0f || color().a == 0)
        return;
    KyRenderer* renderer = KySingleton<KyRenderer>::instance();
    renderer->setMatrixMode(KyRenderer::Projection);
    renderer->pushMatrix();
    renderer->setMatrixMode(KyRenderer::ModelView);
    renderer->pushMatrix();
    m_camera.applyProjection();
    m_camera.applyTransformation();
    renderer->depthOff();
    renderer->pushMatrix();

    {
        KyWarpBloc::Pass pass;
        if (m_cubeVisible) {
            const u32 cubeTiles = m_cubeTiles ? cubeTileCount() : 0;
            for (u32 i = 0; i < cubeTiles; ++i)
                pass.draw(m_cubeTiles[i]);
        }
        for (AnimData* animation : m_playing) {
            if (animation->currentFrame >= animation->frameCount)
                continue;
            Frame& frame = animation->frames[animation->currentFrame];
            for (u32 t = 0; t < frame.tileCount; ++t) {
                if (isTileInView(frame.tiles[t]))
                    pass.draw(frame.tiles[t]);
            }
        }
    }
    for (KyWarpMarker* marker : m_markers) {
        if (marker->sprite())
            updateMarker(m_camera, *marker->sprite());
    }

    renderer->color(1.0f, 1.0f, 1.0f, 1.0f);
    renderer->popMatrix();
    renderer->depthOn();
    renderer->color(1.0f, 1.0f, 1.0f, 1.0f);
    renderer->setMatrixMode(KyRenderer::Projection);
    renderer->popMatrix();
    renderer->setMatrixMode(KyRenderer::ModelView);
    renderer->popMatrix();
}

void KyWarp::setupCamera()
{
    const KyVector3f32 size = KySingleton<KyMainWindow>::instance()->size();
    m_camera.setScreen(KySingleton<KyScreen>::instance());
    m_camera.setProjectionMode(KyCamera::ProjectionPerspective);
    m_camera.setViewport(0, 0, wholePixels(size.x), wholePixels(size.y));
    KyQuaternion turn = rotation();
    turn.normalize();
    m_camera.setOrientation(turn);
    // A quarter-turned screen shows the window's height across.
    const KyVector3f32 turned = turn.toMatrix().transformPoint(KyVector3f32(size.x, size.y, 0.0f));
    const f32 across = std::fabs(turned.x);
    const f32 up = std::fabs(turned.y);
    const f32 aspect = up > 0.0f ? across / up : m_camera.aspect();
    m_camera.setPerspective(m_camera.fov(), aspect, kNear, kFar);
}

void KyWarp::resize(f32 width, f32 height)
{
    m_camera.setViewport(0, 0, wholePixels(width), wholePixels(height));
    const f32 aspect = height != 0.0f ? width / height : m_camera.aspect();
    m_camera.setPerspective(m_camera.fov(), aspect, kNear, kFar);
}

void KyWarp::setFov(f32 fov)
{
    m_camera.setFov(fov);
}

void KyWarp::setCameraRotation(const KyQuaternion& rotation)
{
    KyQuaternion turn = rotation;
    turn.normalize();
    m_camera.setOrientation(turn);
}

void KyWarp::listenToPresses(bool listen)
{
    KyInputMgr::Signal& presses = KyInputMgr::instance()->onLeftButtonDown();
    if (listen) {
        presses.insertByPriority(kyNewCallback(this, &KyWarp::onMouseClick, 0.0f));
    } else {
        KyCallback0Param<KyWarp> listener(this, &KyWarp::onMouseClick);
        presses.removeCallback(&listener);
    }
}

void KyWarp::setActive(bool active, bool deleteMarkers)
{
    if (active == m_active)
        return;
    m_active = active;
    if (!active && deleteMarkers)
        this->deleteMarkers();
    listenToPresses(active);
    // The cube's pictures are read while the scene is set up; a panorama
    // left does not keep any read ahead.
    if (active)
        prefetchTextures();
    else
        m_decoder.reset();
}

void KyWarp::setColor(const KyColor& color)
{
    Ky3DObject2::setColor(color);
    const f32 opacity = f32(color.a) / 255.0f;
    for (KyWarpMarker* marker : m_markers) {
        if (marker->sprite())
            marker->sprite()->button.setOpacity(opacity);
    }
}

void KyWarp::deleteMarkers()
{
    for (KyWarpMarker* marker : m_markers) {
        if (m_markerClickDepth > 0) {
            if (marker->sprite())
                hideMarker(*marker->sprite());
            m_retiredMarkers.pushBack(marker);
            continue;
        }
        // The marker leaves its button before the button goes.
        KyWarpMarker::Sprite* sprite = marker->sprite();
        delete marker;
        delete sprite;
    }
    m_markers.clear();
    for (u32 a = 0; a < m_animationCount; ++a)
        m_animations[a].markerIndices.clear();
    for (Exit& exit : m_exits)
        exit.marker = NoMarker;
}

void KyWarp::deleteRetiredMarkers()
{
    if (m_markerClickDepth > 0)
        return;
    for (KyWarpMarker* marker : m_retiredMarkers) {
        KyWarpMarker::Sprite* sprite = marker->sprite();
        delete marker;
        delete sprite;
    }
    m_retiredMarkers.clear();
}
