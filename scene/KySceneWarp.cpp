#include "scene/KySceneWarp.h"

#include "core/KyLog.h"
#include "core/KyXmlDocument.h"
#include "scene/KyWarpMarker.h"

#include <cerrno>
#include <cfloat>
#include <climits>
#include <cmath>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unordered_set>

namespace {

const f64 kDefaultFps = 15.0;
// The depth of every marker button of a description.
const f32 kMarkerDepth = -999.0f;

enum Status { Missing, Bad, Good };

// Reads a description's elements into plain values, logging each problem
// with the file and line.
class DescriptionReader {
public:
    DescriptionReader(const KyString& fileName, KySceneWarp::Description& description)
        : m_file(fileName), m_description(description)
    {
    }

    void read(const TiXmlDocument& document);
    // The problems beyond the lines logged, on one line.
    void finish();

private:
    void problem(const TiXmlNode* node, const char* format, ...)
#if defined(__GNUC__)
        __attribute__((format(printf, 3, 4)))
#endif
        ;
    // A problem logged whatever the count of lines already logged: the
    // bounds, met once.
    void boundReached(const TiXmlNode* node, const char* what, u32 bound);

    void readObject(const TiXmlElement& element);
    void readAnimation(const TiXmlElement& element);
    void readExit(const TiXmlElement& element);
    // A marker's x, y and z; false (logged) when one is missing or bad.
    bool readMarker(const TiXmlElement& marker, KyVector3f32& position);
    bool readBlock(const TiXmlElement& block, s32 grid, KyWarp::ExitBlock& out);
    // Keeps a marker read for an element, while the description may have
    // more.
    void keepMarker(const TiXmlElement& marker, const KyVector3f32& position, std::vector<KyVector3f32>& markers);
    // Whether an object or animation element already named this animation
    // (and, when not, notes that one does now); the same for an exit's
    // linked path. Hash sets: a description of any size reads in time
    // proportional to its size.
    bool isDescribed(const KyString& name);
    bool hasExit(const KyString& linkedPath);

    // A float, double or int attribute, read as scanf reads the start of
    // its text; a value that is not a finite number in range is Bad.
    Status queryFloat(const TiXmlElement& element, const char* name, f32& value);
    Status queryDouble(const TiXmlElement& element, const char* name, f64& value);
    Status queryInt(const TiXmlElement& element, const char* name, s32& value);
    // A float attribute that falls back to value (with a line) when missing
    // or bad.
    void floatOr(const TiXmlElement& element, const char* name, f32& value);

    KyString m_file;
    KySceneWarp::Description& m_description;
    u32 m_exits = 0;
    u32 m_markers = 0;
    u32 m_unlogged = 0;
    std::unordered_set<std::string> m_described;
    std::unordered_set<std::string> m_linked;
};

void DescriptionReader::problem(const TiXmlNode* node, const char* format, ...)
{
    char text[512];
    va_list args;
    va_start(args, format);
    std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (m_description.problems - m_unlogged < KySceneWarp::MaxProblemLines)
        logPrint("[KySceneWarp::load] file :%s ligne : %d : %s\n", m_file.c_str(), node ? node->Row() : 0, text);
    else
        ++m_unlogged;
    ++m_description.problems;
}

void DescriptionReader::boundReached(const TiXmlNode* node, const char* what, u32 bound)
{
    logPrint("[KySceneWarp::load] file :%s ligne : %d : plus de %u %s : la suite ignoree\n", m_file.c_str(),
             node ? node->Row() : 0, bound, what);
    ++m_description.problems;
}

void DescriptionReader::finish()
{
    if (m_unlogged > 0)
        logPrint("[KySceneWarp::load] file :%s : %u autres problemes\n", m_file.c_str(), m_unlogged);
}

void DescriptionReader::keepMarker(const TiXmlElement& marker, const KyVector3f32& position,
                                   std::vector<KyVector3f32>& markers)
{
    if (m_markers == KySceneWarp::MaxMarkers)
        boundReached(&marker, "marqueurs", KySceneWarp::MaxMarkers);
    if (m_markers >= KySceneWarp::MaxMarkers)
        return;
    ++m_markers;
    markers.push_back(position);
}

Status DescriptionReader::queryDouble(const TiXmlElement& element, const char* name, f64& value)
{
    const char* text = element.Attribute(name);
    if (!text)
        return Missing;
    char* end = nullptr;
    errno = 0;
    const f64 v = std::strtod(text, &end);
    if (end == text || errno == ERANGE || !std::isfinite(v))
        return Bad;
    value = v;
    return Good;
}

Status DescriptionReader::queryFloat(const TiXmlElement& element, const char* name, f32& value)
{
    f64 v = 0.0;
    const Status status = queryDouble(element, name, v);
    if (status != Good)
        return status;
    if (std::fabs(v) > FLT_MAX)
        return Bad;
    value = f32(v);
    return Good;
}

Status DescriptionReader::queryInt(const TiXmlElement& element, const char* name, s32& value)
{
    const char* text = element.Attribute(name);
    if (!text)
        return Missing;
    char* end = nullptr;
    errno = 0;
    const long v = std::strtol(text, &end, 10);
    if (end == text || errno == ERANGE || v < INT_MIN || v > INT_MAX)
        return Bad;
    value = s32(v);
    return Good;
}

void DescriptionReader::floatOr(const TiXmlElement& element, const char* name, f32& value)
{
    f32 v = value;
    const Status status = queryFloat(element, name, v);
    if (status == Missing)
        problem(&element, "attribut %s absent de <%s> : %g pris", name, element.Value(), f64(value));
    else if (status == Bad)
        problem(&element, "attribut %s=\"%s\" de <%s> n'est pas un nombre : %g pris", name, element.Attribute(name),
                element.Value(), f64(value));
    else
        value = v;
}

bool DescriptionReader::readMarker(const TiXmlElement& marker, KyVector3f32& position)
{
    static const char* const axes[3] = {"x", "y", "z"};
    f32 v[3] = {0.0f, 0.0f, 0.0f};
    bool sound = true;
    for (u32 i = 0; i < 3; ++i) {
        const Status status = queryFloat(marker, axes[i], v[i]);
        if (status == Missing) {
            problem(&marker, "attribut %s absent de <marker> : marqueur ignore", axes[i]);
            sound = false;
        } else if (status == Bad) {
            problem(&marker, "attribut %s=\"%s\" de <marker> n'est pas un nombre : marqueur ignore", axes[i],
                    marker.Attribute(axes[i]));
            sound = false;
        }
    }
    if (sound)
        position = KyVector3f32(v[0], v[1], v[2]);
    return sound;
}

bool DescriptionReader::readBlock(const TiXmlElement& block, s32 grid, KyWarp::ExitBlock& out)
{
    static const char* const names[3] = {"face", "offsetX", "offsetY"};
    s32 v[3] = {0, 0, 0};
    for (u32 i = 0; i < 3; ++i) {
        const Status status = queryInt(block, names[i], v[i]);
        if (status == Missing) {
            problem(&block, "attribut %s absent de <block> : bloc ignore", names[i]);
            return false;
        }
        if (status == Bad) {
            problem(&block, "attribut %s=\"%s\" de <block> n'est pas un entier : bloc ignore", names[i],
                    block.Attribute(names[i]));
            return false;
        }
    }
    if (v[0] < 0 || v[0] > 5) {
        problem(&block, "face %d hors de 0..5 : bloc ignore", v[0]);
        return false;
    }
    if (v[1] < 0 || v[1] >= grid || v[2] < 0 || v[2] >= grid) {
        problem(&block, "case (%d, %d) hors de la grille %d x %d : bloc ignore", v[1], v[2], grid, grid);
        return false;
    }
    out.face = v[0];
    out.columns = grid;
    out.rows = grid;
    out.column = v[1];
    out.row = v[2];
    return true;
}

bool DescriptionReader::isDescribed(const KyString& name)
{
    return !m_described.insert(std::string(name.c_str(), name.length())).second;
}

bool DescriptionReader::hasExit(const KyString& linkedPath)
{
    return !m_linked.insert(std::string(linkedPath.c_str(), linkedPath.length())).second;
}

void DescriptionReader::readObject(const TiXmlElement& element)
{
    const char* name = element.Attribute("name");
    if (!name) {
        problem(&element, "<object> sans attribut name : ignore");
        return;
    }
    if (isDescribed(name)) {
        problem(&element, "%s deja decrit : <object> ignore", name);
        return;
    }
    KySceneWarp::Element object;
    object.kind = KySceneWarp::Element::Object;
    object.line = element.Row();
    object.name = name;
    bool markerSeen = false;
    for (const TiXmlElement* child = element.FirstChildElement(); child; child = child->NextSiblingElement()) {
        if (std::strcmp(child->Value(), "marker") != 0) {
            problem(child, "element inconnu <%s> dans <object> : ignore", child->Value());
        } else if (markerSeen) {
            problem(child, "<object> %s a deja un marqueur : <marker> ignore", name);
        } else {
            markerSeen = true;
            KyVector3f32 position;
            if (readMarker(*child, position))
                keepMarker(*child, position, object.markers);
        }
    }
    m_description.elements.push_back(object);
}

void DescriptionReader::readAnimation(const TiXmlElement& element)
{
    const char* name = element.Attribute("name");
    if (!name) {
        problem(&element, "<animation> sans attribut name : ignore");
        return;
    }
    if (isDescribed(name)) {
        problem(&element, "%s deja decrit : <animation> ignore", name);
        return;
    }
    KySceneWarp::Element animation;
    animation.kind = KySceneWarp::Element::Animation;
    animation.line = element.Row();
    animation.name = name;
    f64 fps = kDefaultFps;
    const Status status = queryDouble(element, "fps", fps);
    if (status == Missing)
        problem(&element, "attribut fps absent de <animation> %s : %g pris", name, kDefaultFps);
    else if (status == Bad || !(fps > 0.0))
        problem(&element, "fps=\"%s\" de <animation> %s hors de portee : %g pris", element.Attribute("fps"), name,
                kDefaultFps);
    else
        animation.fps = fps;
    for (const TiXmlElement* child = element.FirstChildElement(); child; child = child->NextSiblingElement()) {
        if (std::strcmp(child->Value(), "marker") != 0) {
            problem(child, "element inconnu <%s> dans <animation> : ignore", child->Value());
            continue;
        }
        KyVector3f32 position;
        if (readMarker(*child, position))
            keepMarker(*child, position, animation.markers);
    }
    m_description.elements.push_back(animation);
}

void DescriptionReader::readExit(const TiXmlElement& element)
{
    const char* linked = element.Attribute("linkedWarp");
    if (!linked || !*linked) {
        problem(&element, "<exit> sans attribut linkedWarp : ignore");
        return;
    }
    KySceneWarp::Element exit;
    exit.kind = KySceneWarp::Element::Exit;
    exit.line = element.Row();
    exit.exit.linkedPath = KyString("3D\\") + KyString(linked);
    if (hasExit(exit.exit.linkedPath)) {
        problem(&element, "sortie vers %s deja decrite : <exit> ignore", linked);
        return;
    }

    s32 grid = 1;
    const Status status = queryInt(element, "nbWarpBlock", grid);
    if (status == Missing) {
        problem(&element, "attribut nbWarpBlock absent de <exit> %s : 1 pris", linked);
        grid = 1;
    } else if (status == Bad) {
        problem(&element, "nbWarpBlock=\"%s\" de <exit> %s n'est pas un entier : 1 pris",
                element.Attribute("nbWarpBlock"), linked);
        grid = 1;
    } else if (grid < 1) {
        problem(&element, "nbWarpBlock %d de <exit> %s sous 1 : 1 pris", grid, linked);
        grid = 1;
    } else if (grid > KySceneWarp::MaxBlockGrid) {
        problem(&element, "nbWarpBlock %d de <exit> %s au-dela de %d : %d pris", grid, linked,
                KySceneWarp::MaxBlockGrid, KySceneWarp::MaxBlockGrid);
        grid = KySceneWarp::MaxBlockGrid;
    }
    exit.exit.blockGrid = grid;

    bool markerSeen = false;
    bool cameraSeen = false;
    for (const TiXmlElement* child = element.FirstChildElement(); child; child = child->NextSiblingElement()) {
        const char* kind = child->Value();
        if (std::strcmp(kind, "marker") == 0) {
            if (markerSeen) {
                problem(child, "<exit> %s a deja un marqueur : <marker> ignore", linked);
                continue;
            }
            markerSeen = true;
            KyVector3f32 position;
            if (readMarker(*child, position))
                keepMarker(*child, position, exit.markers);
        } else if (std::strcmp(kind, "camera") == 0) {
            if (cameraSeen) {
                problem(child, "<exit> %s a deja une camera : <camera> ignore", linked);
                continue;
            }
            cameraSeen = true;
            floatOr(*child, "angleX", exit.exit.angleX);
            floatOr(*child, "angleY", exit.exit.angleY);
        } else if (std::strcmp(kind, "block") == 0) {
            KyWarp::ExitBlock block;
            if (readBlock(*child, grid, block))
                exit.exit.blocks.pushBack(block);
        } else {
            problem(child, "element inconnu <%s> dans <exit> : ignore", kind);
        }
    }
    char number[32];
    std::snprintf(number, sizeof number, "Exit_%02u", m_exits++);
    exit.name = number;
    exit.exit.name = number;
    m_description.elements.push_back(exit);
}

void DescriptionReader::read(const TiXmlDocument& document)
{
    for (const TiXmlNode* node = document.FirstChild(); node; node = node->NextSibling()) {
        const TiXmlElement* element = node->ToElement();
        if (!element)
            continue;
        const char* kind = element->Value();
        if (m_description.elements.size() >= KySceneWarp::MaxElements) {
            boundReached(element, "elements", KySceneWarp::MaxElements);
            break;
        }
        if (std::strcmp(kind, "object") == 0)
            readObject(*element);
        else if (std::strcmp(kind, "animation") == 0)
            readAnimation(*element);
        else if (std::strcmp(kind, "exit") == 0)
            readExit(*element);
        else
            problem(element, "element inconnu <%s> : ignore", kind);
    }
}

bool refuse(const KyString& fileName, const KyXmlDocument& document)
{
    logPrint("[KySceneWarp::load] file :%s error : %s ligne : %d colonne : %d\n", fileName.c_str(),
             document.errorText(), document.errorRow(), document.errorColumn());
    return false;
}

} // namespace

KySceneWarp::KySceneWarp() : m_warp(nullptr) {}

KySceneWarp::~KySceneWarp()
{
    clear();
}

bool KySceneWarp::read(const KyString& path, Description& description)
{
    description = Description();
    KyXmlDocument document;
    if (!document.loadFile(path))
        return refuse(path, document);
    DescriptionReader reader(path, description);
    reader.read(document);
    reader.finish();
    return true;
}

bool KySceneWarp::parse(const char* text, const KyString& fileName, Description& description)
{
    description = Description();
    KyXmlDocument document;
    if (!document.parse(text ? text : ""))
        return refuse(fileName, document);
    DescriptionReader reader(fileName, description);
    reader.read(document);
    reader.finish();
    return true;
}

void KySceneWarp::load(const KyString& path, KyWarp* warp)
{
    clear();
    m_path = path;
    m_warp = warp;
    Description description;
    if (read(path, description))
        apply(description, warp);
    if (warp)
        warp->setMarkersVisible(warp->markersVisible());
}

u32 KySceneWarp::addMarker(const KyVector3f32& position)
{
    const u32 index = m_warp->createMarker();
    KyWarpMarker::Sprite& sprite = *m_warp->marker(index)->sprite();
    sprite.position = position;
    KyWarp::hideMarker(sprite);
    sprite.depth = kMarkerDepth;
    return index;
}

void KySceneWarp::apply(const Description& description, KyWarp* warp)
{
    clear();
    m_warp = warp;
    if (!warp)
        return;
    warp->clearSceneDescription();
    // The panorama's animation names, looked up once for every element.
    std::unordered_set<std::string> animations;
    for (u32 a = 0; a < warp->animationCount(); ++a)
        animations.insert(std::string(warp->animations()[a].name.c_str(), warp->animations()[a].name.length()));
    for (const Element& element : description.elements) {
        const bool known = animations.count(std::string(element.name.c_str(), element.name.length())) > 0;
        if (element.kind == Element::Exit) {
            KyWarp::Exit exit = element.exit;
            if (!element.markers.empty()) {
                exit.marker = addMarker(element.markers[0]);
                if (known)
                    warp->addAnimationMarker(exit.name, exit.marker);
            }
            warp->addExit(exit);
            m_exits.insert(exit.name, exit);
            continue;
        }
        if (!known)
            logPrint("[KySceneWarp::load] file :%s ligne : %d : aucune animation %s dans le Warp\n", m_path.c_str(),
                     element.line, element.name.c_str());
        if (element.kind == Element::Object) {
            ObjectEntry object;
            object.name = element.name;
            if (!element.markers.empty()) {
                object.marker = addMarker(element.markers[0]);
                if (known)
                    warp->addAnimationMarker(element.name, object.marker);
            }
            if (known)
                m_objects.insert(object.name, object);
        } else {
            AnimationEntry animation;
            animation.name = element.name;
            animation.fps = element.fps;
            for (const KyVector3f32& position : element.markers) {
                const u32 index = addMarker(position);
                if (known)
                    warp->addAnimationMarker(element.name, index);
                animation.markerIndices.pushBack(index);
            }
            if (known)
                m_animations.insert(animation.name, animation);
        }
    }
}

const KySceneWarp::ObjectEntry* KySceneWarp::findObject(const KyString& name) const
{
    return m_objects.find(name);
}

const KySceneWarp::AnimationEntry* KySceneWarp::findAnimation(const KyString& name) const
{
    return m_animations.find(name);
}

const KyWarp::Exit* KySceneWarp::findExit(const KyString& name) const
{
    return m_exits.find(name);
}

void KySceneWarp::clear()
{
    m_objects.clear();
    m_animations.clear();
    m_exits.clear();
}
