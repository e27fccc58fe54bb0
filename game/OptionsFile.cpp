#include "game/OptionsFile.h"

#include "core/KyLog.h"
#include "core/KyXmlDocument.h"

#include <tinyxml.h>

#include <cstdio>

namespace {

const char* const kFlagElements[OptionsFile::FlagCount] = {"MusicOn", "PermanentHelp", "InverseLook", "compassLook"};

// The element's integer attribute; false when it is missing.
bool intAttribute(const TiXmlElement* element, const char* name, s32& value)
{
    int read = 0;
    if (!element->Attribute(name, &read))
        return false;
    value = read;
    return true;
}

void appendElement(TiXmlDocument& document, const char* name, const char* attribute, s32 value)
{
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%d", value);
    TiXmlElement element(name);
    element.SetAttribute(attribute, buffer);
    document.InsertEndChild(element);
}

} // namespace

const char* OptionsFile::flagElement(Flag flag)
{
    return flag < FlagCount ? kFlagElements[flag] : "";
}

bool OptionsFile::read(const KyString& diskPath, Settings& settings)
{
    KyXmlDocument document;
    if (!document.loadFile(diskPath)) {
        logPrint("Failed to load file \"%s\"\n", diskPath.c_str());
        return false;
    }

    Settings read;
    if (const TiXmlElement* resolution = document.FirstChildElement("WindowResolution")) {
        read.hasResolution = true;
        read.hasWidth = intAttribute(resolution, "x", read.width);
        read.hasHeight = intAttribute(resolution, "y", read.height);
    }
    if (const TiXmlElement* fullScreen = document.FirstChildElement("FullScreen"))
        read.hasFullScreen = intAttribute(fullScreen, "value", read.fullScreen);

    for (const TiXmlElement* e = document.FirstChildElement(); e; e = e->NextSiblingElement()) {
        const KyString name(e->Value());
        for (u32 f = 0; f < FlagCount; ++f) {
            if (name != kFlagElements[f])
                continue;
            s32 value = 0;
            intAttribute(e, "value", value);
            read.hasFlag[f] = true;
            read.flag[f] = value > 0 ? 1 : 0;
        }
    }

    if (const TiXmlNode* node = document.FirstChild("Language")) {
        const TiXmlElement* language = node->ToElement();
        if (const char* value = language ? language->Attribute("value") : nullptr) {
            read.hasLanguage = true;
            read.language = value;
        }
    }
    settings = read;
    return true;
}

void OptionsFile::validate(Settings& settings, const KyString& fileName)
{
    if (settings.hasResolution && (settings.hasWidth || settings.hasHeight)) {
        const bool widthOk = !settings.hasWidth || (settings.width >= MinWidth && settings.width <= MaxSide);
        const bool heightOk = !settings.hasHeight || (settings.height >= MinHeight && settings.height <= MaxSide);
        if (!widthOk || !heightOk) {
            logPrint("Application::LoadOptions: %s: WindowResolution %s x %s out of range, default used\n",
                     fileName.c_str(), settings.hasWidth ? KyString(settings.width).c_str() : "-",
                     settings.hasHeight ? KyString(settings.height).c_str() : "-");
            settings.hasWidth = false;
            settings.hasHeight = false;
        }
    }
    if (settings.hasLanguage && !isLanguageCode(settings.language)) {
        logPrint("Application::LoadOptions: %s: Language \"%s\" is not a language code, default used\n",
                 fileName.c_str(), settings.language.c_str());
        settings.hasLanguage = false;
        settings.language = KyString();
    }
}

bool OptionsFile::isWindowSize(s32 width, s32 height)
{
    return width >= MinWidth && width <= MaxSide && height >= MinHeight && height <= MaxSide;
}

bool OptionsFile::isLanguageCode(const KyString& code)
{
    const u32 length = code.length();
    if (length < 2 || length > MaxLanguageLength)
        return false;
    for (u32 i = 0; i < length; ++i) {
        const char c = code.c_str()[i];
        if (!((c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z')))
            return false;
    }
    return true;
}

KyString OptionsFile::text(const Values& values)
{
    TiXmlDocument document;
    document.InsertEndChild(TiXmlDeclaration("1.0", "", ""));
    TiXmlElement version("GameVersion");
    version.SetAttribute("major", "1");
    version.SetAttribute("minor", "0");
    document.InsertEndChild(version);

    char width[64];
    char height[64];
    std::snprintf(width, sizeof width, "%d", values.width);
    std::snprintf(height, sizeof height, "%d", values.height);
    TiXmlElement resolution("WindowResolution");
    resolution.SetAttribute("x", width);
    resolution.SetAttribute("y", height);
    document.InsertEndChild(resolution);

    appendElement(document, "FullScreen", "value", values.fullScreen ? 1 : 0);
    for (u32 f = 0; f < FlagCount; ++f)
        appendElement(document, kFlagElements[f], "value", values.flag[f] ? 1 : 0);
    TiXmlElement language("Language");
    language.SetAttribute("value", values.language.c_str());
    document.InsertEndChild(language);

    if (document.Error())
        logPrint("ActionManager::Save: error %s\n", document.ErrorDesc());
    TiXmlPrinter printer;
    document.Accept(&printer);
    return KyString(printer.CStr());
}
