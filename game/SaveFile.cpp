#include "game/SaveFile.h"

#include "core/KyFile.h"
#include "core/KyLog.h"
#include "core/KyXmlDocument.h"
#include "scene/KyWarp.h"
#include "script/KyLuaScript.h"

#include <tinyxml.h>

#include <cerrno>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace {

const s32 kWrittenMajor = 1;
const s32 kWrittenMinor = 1;
const f32 kAngleLimit = 360.0f;
const s32 kFullHealth = 100;
// The strings of the scripts are written byte for byte (the game's texts are
// Windows-1252), so a save is read one byte a character: read as UTF-8, a
// lone accented letter would swallow the quote that ends its value.
const TiXmlEncoding kEncoding = TIXML_ENCODING_LEGACY;

// A decimal number at the start of the text, as the XML library reads an
// integer attribute ("70", " 70", "70.5" and "70 points" read as 70); false
// when the text starts with no number or the number does not fit 32 bits.
bool readS32(const char* text, s32& value)
{
    if (!text || !*text)
        return false;
    errno = 0;
    char* end = nullptr;
    const long long number = std::strtoll(text, &end, 10);
    if (errno != 0 || end == text)
        return false;
    if (number < -2147483647LL - 1 || number > 2147483647LL)
        return false;
    value = s32(number);
    return true;
}

// An angle of the save; anything but a number within a full turn each way
// reads as 0.
f32 readAngle(const TiXmlElement* element, const char* name)
{
    double value = 0.0;
    if (element->QueryDoubleAttribute(name, &value) != TIXML_SUCCESS)
        return 0.0f;
    if (!std::isfinite(value) || value < -kAngleLimit || value > kAngleLimit)
        return 0.0f;
    return f32(value);
}

bool readHealth(const TiXmlElement* element, s32& health)
{
    if (!element)
        return false;
    health = kFullHealth;
    s32 value = 0;
    if (readS32(element->Attribute("value"), value))
        health = value;
    return true;
}

std::unique_ptr<TiXmlElement> copyOf(const TiXmlElement* element)
{
    if (!element)
        return nullptr;
    return std::unique_ptr<TiXmlElement>(static_cast<TiXmlElement*>(element->Clone()));
}

bool isGlobal(const char* tag)
{
    return std::strcmp(tag, "Boolean") == 0 || std::strcmp(tag, "Number") == 0 || std::strcmp(tag, "String") == 0;
}

KyString formatAngle(f32 angle)
{
    KyString text;
    text.format("%f", double(angle));
    return text;
}

// Bytes a text takes once written as an attribute value, at most: the
// characters the writer turns into entities count as their entity.
u64 writtenLength(const char* text)
{
    u64 n = 0;
    for (const unsigned char* c = reinterpret_cast<const unsigned char*>(text ? text : ""); *c; ++c) {
        switch (*c) {
        case '&':
            n += 5;
            break;
        case '<':
        case '>':
            n += 4;
            break;
        case '"':
        case '\'':
            n += 6;
            break;
        default:
            n += *c < 0x20 ? 6 : 1;
            break;
        }
    }
    return n;
}

// The globals a save keeps, in order, until one of the bounds is reached.
class GlobalsBudget {
public:
    explicit GlobalsBudget(const char* source) : m_source(source), m_count(0), m_bytes(0), m_left(0) {}
    ~GlobalsBudget()
    {
        if (m_left > 0)
            logPrint("[SaveFile] %s : %u globals left out (at most %u globals, %u bytes each, %u bytes in all)\n",
                     m_source, m_left, SaveFile::kMaxGlobals, SaveFile::kMaxGlobalBytes, SaveFile::kMaxGlobalsBytes);
    }

    bool take(const TiXmlElement& global)
    {
        const u64 bytes = writtenLength(global.Attribute("name")) + writtenLength(global.Attribute("value"));
        if (m_count >= SaveFile::kMaxGlobals || bytes > SaveFile::kMaxGlobalBytes ||
            m_bytes + bytes > SaveFile::kMaxGlobalsBytes) {
            ++m_left;
            return false;
        }
        ++m_count;
        m_bytes += bytes;
        return true;
    }

private:
    const char* m_source;
    u32 m_count;
    u64 m_bytes;
    u32 m_left;
};

// Whether a section is small enough to keep; one that is not is logged.
bool sectionFits(const TiXmlElement* section, const char* source)
{
    if (!section)
        return false;
    TiXmlPrinter printer;
    section->Accept(&printer);
    if (printer.Size() <= SaveFile::kMaxSectionBytes)
        return true;
    logPrint("[SaveFile] %s : section %s of %u bytes left out (at most %u)\n", source, section->Value(),
             u32(printer.Size()), SaveFile::kMaxSectionBytes);
    return false;
}

bool fromDocument(const TiXmlDocument& document, SaveData& data, KyString& error, const char* source)
{
    const TiXmlElement* warp = document.FirstChildElement("WarpName");
    const char* warpName = warp ? warp->Attribute("name") : nullptr;
    if (!warpName || !*warpName) {
        error = "no panorama named (WarpName)";
        return false;
    }
    if (!SaveFile::isScenePath(KyString(warpName))) {
        error = "the panorama named (WarpName) is not one of the game's";
        return false;
    }
    data.warpName = warpName;

    data.major = 1;
    data.minor = 0;
    if (const TiXmlElement* version = document.FirstChildElement("GameVersion")) {
        int number = 0;
        if (version->QueryIntAttribute("major", &number) == TIXML_SUCCESS)
            data.major = number;
        if (version->QueryIntAttribute("minor", &number) == TIXML_SUCCESS)
            data.minor = number;
    }
    if (const TiXmlElement* orientation = document.FirstChildElement("Orientation")) {
        data.hasOrientation = true;
        data.yaw = readAngle(orientation, "x");
        data.pitch = readAngle(orientation, "y");
    }
    if (const TiXmlElement* music = document.FirstChildElement("Music")) {
        if (const char* path = music->Attribute("path")) {
            data.hasMusic = true;
            data.musicPath = path;
        }
    }
    data.hasMayaHealth = readHealth(document.FirstChildElement("MayaHealthValue"), data.mayaHealth);
    data.hasTuyaHealth = readHealth(document.FirstChildElement("TuyaHealthValue"), data.tuyaHealth);
    const TiXmlElement* inventory = document.FirstChildElement("Inventory");
    const TiXmlElement* dialog = document.FirstChildElement("Dialog");
    data.inventory = sectionFits(inventory, source) ? copyOf(inventory) : nullptr;
    data.dialog = sectionFits(dialog, source) ? copyOf(dialog) : nullptr;

    data.globals.reset(new TiXmlElement("Globals"));
    GlobalsBudget budget(source);
    for (const TiXmlElement* element = document.FirstChildElement(); element;
         element = element->NextSiblingElement()) {
        if (isGlobal(element->Value()) && budget.take(*element))
            data.globals->InsertEndChild(*element);
    }
    return true;
}

} // namespace

SaveData::SaveData()
    : major(kWrittenMajor)
    , minor(kWrittenMinor)
    , hasOrientation(false)
    , yaw(0.0f)
    , pitch(0.0f)
    , hasMusic(false)
    , hasMayaHealth(false)
    , mayaHealth(kFullHealth)
    , hasTuyaHealth(false)
    , tuyaHealth(kFullHealth)
{
}

SaveData::~SaveData() {}

namespace {

// False, with the parser's description of where the text stopped being XML
// (or of why it was not read).
bool notWellFormed(const KyXmlDocument& document, KyString& error)
{
    if (document.errorRow() == 0)
        error.format("not read: %s", document.errorText());
    else
        error.format("not well-formed: %s (line %d, column %d)", document.errorText(), document.errorRow(),
                     document.errorColumn());
    return false;
}

} // namespace

bool SaveFile::parse(const char* text, SaveData& data, KyString& error)
{
    KyXmlDocument document;
    if (!document.parse(text, kEncoding)) {
        return notWellFormed(document, error);
    }
    return fromDocument(document, data, error, "(text)");
}

bool SaveFile::read(const KyString& path, SaveData& data, KyString& error)
{
    KyXmlDocument document;
    if (!document.loadFile(path, kEncoding, kMaxFileBytes)) {
        return notWellFormed(document, error);
    }
    return fromDocument(document, data, error, path.c_str());
}

bool SaveFile::readPlayable(const KyString& path, SaveData& data, KyString& error)
{
    if (!read(path, data, error))
        return false;
    KyString problem;
    if (!KyWarp::canLoad(data.warpName, problem)) {
        error.format("the panorama %s cannot be loaded: %s", data.warpName.c_str(), problem.c_str());
        return false;
    }
    // A panorama without its script (the imported animation panorama) is
    // not a scene: entered, it would leave the player in the dark.
    const KyPath script = sceneScriptPath(data.warpName);
    if (!KyLuaScript::canLoad(script)) {
        error.format("the panorama %s is not a scene: no scene script %s", data.warpName.c_str(), script.c_str());
        return false;
    }
    return true;
}

KyPath SaveFile::sceneScriptPath(const KyString& warpPath)
{
    KyPath script(warpPath);
    script.setExtension("lua");
    return script;
}

KyString SaveFile::text(const SaveData& data)
{
    TiXmlDocument document;
    document.LinkEndChild(new TiXmlDeclaration("1.0", "", ""));

    TiXmlElement* version = new TiXmlElement("GameVersion");
    version->SetAttribute("major", kWrittenMajor);
    version->SetAttribute("minor", kWrittenMinor);
    document.LinkEndChild(version);

    // What reading would leave out is not written.
    const char* const source = "(written)";
    if (sectionFits(data.inventory.get(), source))
        document.InsertEndChild(*data.inventory);
    if (sectionFits(data.dialog.get(), source))
        document.InsertEndChild(*data.dialog);

    TiXmlElement* warp = new TiXmlElement("WarpName");
    warp->SetAttribute("name", data.warpName.c_str());
    document.LinkEndChild(warp);

    TiXmlElement* orientation = new TiXmlElement("Orientation");
    orientation->SetAttribute("x", formatAngle(data.yaw).c_str());
    orientation->SetAttribute("y", formatAngle(data.pitch).c_str());
    document.LinkEndChild(orientation);

    TiXmlElement* music = new TiXmlElement("Music");
    music->SetAttribute("path", data.musicPath.c_str());
    document.LinkEndChild(music);

    TiXmlElement* maya = new TiXmlElement("MayaHealthValue");
    maya->SetAttribute("value", data.mayaHealth);
    document.LinkEndChild(maya);
    TiXmlElement* tuya = new TiXmlElement("TuyaHealthValue");
    tuya->SetAttribute("value", data.tuyaHealth);
    document.LinkEndChild(tuya);

    if (data.globals) {
        GlobalsBudget budget(source);
        for (const TiXmlElement* element = data.globals->FirstChildElement(); element;
             element = element->NextSiblingElement()) {
            if (budget.take(*element))
                document.InsertEndChild(*element);
        }
    }

    TiXmlPrinter printer;
    document.Accept(&printer);
    return KyString(printer.CStr(), u32(printer.Size()));
}

bool SaveFile::write(const KyString& path, const SaveData& data)
{
    const KyString bytes = text(data);
    return KyFile::writeAtomically(path, bytes.c_str(), bytes.length());
}

void SaveFile::writeLater(const KyString& path, const SaveData& data, const KyString& failureLine)
{
    const KyString bytes = text(data);
    KyFile::writeAtomicallyLater(path, bytes.c_str(), bytes.length(), failureLine);
}

KyString SaveFile::failureLine(const KyString& fileName)
{
    KyString line;
    line.format("ActionManager::Save: error %s could not be written, the previous file is kept\n",
                fileName.c_str());
    return line;
}

bool SaveFile::isPlainName(const KyString& name)
{
    if (name.length() == 0 || name == "." || name == "..")
        return false;
    for (u32 i = 0; i < name.length(); ++i) {
        const char c = name.c_str()[i];
        if (c == '/' || c == '\\' || c == ':')
            return false;
    }
    return true;
}

bool SaveFile::isScenePath(const KyString& path)
{
    // Doubled separators are left to KyPath, which makes them one. The
    // user-data folder is judged as the file layer reads the path, so no
    // spelling of it passes for the game's data: an advert set may put
    // files of any name there.
    return KyPath::isSafeRelative(path, kMaxScenePathLength, true) && !KyFile::isUserDataPath(path);
}
